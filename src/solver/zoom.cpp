// The eleven-point zoom with its parabola fit: looks for a root in
// [ZoomLeft, ZoomRight] where f need not change sign.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

namespace {
constexpr int kPasses = 7;
constexpr int kPoints = 11;

void narrow(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.ZoomStep = (w.ZoomRight - w.ZoomLeft) / I(10); });
  for (int j = 1; j <= kPoints; ++j) {
    w.ZoomJ = I(static_cast<std::int16_t>(j));
    step([&] { w.IterX[j] = w.ZoomLeft + (w.ZoomJ - I(1)) * w.ZoomStep; });
    step([&] { w.ZoomF[j] = s.f(w.IterX[j]); });
  }
  step([&] { w.ZoomMinAbsF = Abs(w.ZoomF[1]); });
  for (int j = 1; j <= kPoints; ++j) {
    w.ZoomJ = I(static_cast<std::int16_t>(j));
    if (test([&] { return Abs(w.ZoomF[j]) <= w.ZoomMinAbsF; })) {
      step([&] { w.ZoomMinAbsF = Abs(w.ZoomF[j]); });
      step([&] { w.ZoomBestX = w.IterX[j]; });
      step([&] { w.ZoomBestJ = w.ZoomJ; });
    }
  }
  // Keep the next window inside this one when the best point is at an end.
  if (test([&] { return w.ZoomBestX == w.ZoomLeft; })) {
    step([&] { w.ZoomBestX = w.ZoomBestX + w.ZoomStep; });
    step([&] { w.ZoomBestJ = w.ZoomBestJ + I(1); });
  }
  if (test([&] { return w.ZoomBestX == w.ZoomRight; })) {
    step([&] { w.ZoomBestX = w.ZoomBestX - w.ZoomStep; });
    step([&] { w.ZoomBestJ = w.ZoomBestJ - I(1); });
  }
  step([&] { w.ZoomLeft = w.ZoomBestX - w.ZoomStep; });
  step([&] { w.ZoomRight = w.ZoomBestX + w.ZoomStep; });
}
}  // namespace

void zoom(Search& s) {
  WorkingState& w = s.w;
  for (w.ZoomPass = I(1); w.ZoomPass.rawWhole() <= kPasses; w.ZoomPass = I(static_cast<std::int16_t>(w.ZoomPass.rawWhole() + 1)))
    narrow(s);
  step([&] { w.ParaF1 = at(w.ZoomF, w.ZoomBestJ - I(1)); });
  step([&] { w.ParaF2 = at(w.ZoomF, w.ZoomBestJ); });
  step([&] { w.ParaF3 = at(w.ZoomF, w.ZoomBestJ + I(1)); });

  if (test([&] { return w.ZoomMinAbsF > I(100); })) {
    step([&] { w.RootFound = I(0); });
    return;
  }
  if (test([&] { return w.ZoomMinAbsF < D(0.0001); })) {
    step([&] { w.IterIdx = I(1); });
    step([&] { w.IterX[1] = w.ZoomBestX; });
    step([&] { w.RootFound = I(1); });
    return;
  }
  if (test([&] { return w.ZoomStep < D(1e-12); })) {
    step([&] { w.RootFound = I(0); });
    return;
  }

  // The parabola through the best point and its two neighbours.
  step([&] { w.ParaA = ((w.ParaF1 - I(2) * w.ParaF2) + w.ParaF3) / (I(2) * (w.ZoomStep * w.ZoomStep)); });
  step([&] { w.ParaB = (w.ParaF3 - w.ParaF2) / w.ZoomStep - w.ParaA * (I(2) * w.ZoomBestX + w.ZoomStep); });
  step([&] { w.ParaC = (w.ParaF2 - w.ParaA * (w.ZoomBestX * w.ZoomBestX)) - w.ParaB * w.ZoomBestX; });
  if (test([&] { return Abs(w.ParaA) < D(1.7e-38); })) {
    step([&] { w.RootFound = I(0); });
    return;
  }
  step([&] { w.IterX[1] = (I(-1) * w.ParaB) / (I(2) * w.ParaA); });
  step([&] { w.IterIdx = I(1); });
  step([&] { w.RootFound = I(1); });
  // Accept the vertex only where the parabola comes within 0.001 of zero.
  if (test([&] { return Abs(w.ParaC - (w.ParaB * w.ParaB) / (I(4) * w.ParaA)) >= D(0.001); }))
    step([&] { w.RootFound = I(0); });
}

}  // namespace zorvan::solver
