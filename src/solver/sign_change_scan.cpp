// The sign-change scan: walks the sorted samples cell by cell, from SampleIdx on.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

namespace {
// The cell is (SampleIdx - 1, SampleIdx).
Value& leftX(WorkingState& w) { return at(w.SampleX, w.SampleIdx - I(1)); }
Value& rightX(WorkingState& w) { return at(w.SampleX, w.SampleIdx); }
Value leftF(WorkingState& w) { return D(at(w.SampleF, w.SampleIdx - I(1))); }
Value rightF(WorkingState& w) { return D(at(w.SampleF, w.SampleIdx)); }
}  // namespace

Stage signChangeScan(Search& s) {
  WorkingState& w = s.w;
  const Value probe = D(9e-05);
  for (;;) {
    step([&] { w.FPrev = D(at(w.SampleF, w.SampleIdx)); });
    step([&] { w.SampleIdx = w.SampleIdx + I(1); });
    step([&] { w.SweepCount = I(0); });

    const bool skipped = test([&] { return leftF(w) == I(0) || leftX(w) == rightX(w); });
    if (!skipped) {
      step([&] { w.SignChange = I(0); });
      if (test([&] { return w.FPrev * rightF(w) <= I(0); })) {
        step([&] { w.SignChange = I(1); });
        step([&] { w.BracketLoIdx = w.SampleIdx - I(1); });
        step([&] { w.BracketHiIdx = w.SampleIdx; });
      }
      if (test([&] { return w.SignChange == I(1); })) {
        refineBracket(s);
        step([&] { w.TryCount = 4; });
        // The right end of the refined bracket, or the exact root it found.
        step([&] { w.X0 = w.IterX[2]; });
        step([&] { w.X1 = w.IterX[1]; });
        return Stage::Iteration;
      }

      step([&] { w.TouchFlag = I(0); });
      // Slope probes just inside both ends: does f turn within the cell?
      if (test([&] {
            const Value slopeLeft = Sgn(s.f(leftX(w) + probe) - w.FPrev);
            const Value slopeRight = Sgn(rightF(w) - s.f(rightX(w) - probe));
            return slopeLeft != slopeRight;
          }))
        step([&] { w.TouchFlag = I(1); });
      step([&] { w.CellMinAbsF = Abs(rightF(w)); });
      if (test([&] { return Abs(w.FPrev) < Abs(rightF(w)); })) step([&] { w.CellMinAbsF = Abs(w.FPrev); });
      step([&] { w.FMid = s.f((leftX(w) + rightX(w)) / I(2)); });
      if (test([&] {
            const bool awayFromZero = Abs(w.FMid) > w.CellMinAbsF;
            const bool sameSide = w.FPrev * w.FMid > I(0);
            return awayFromZero && sameSide;
          }))
        step([&] { w.TouchFlag = I(0); });

      if (test([&] { return w.TouchFlag == I(1); })) {
        step([&] { w.ZoomLeft = leftX(w); });
        step([&] { w.ZoomRight = rightX(w); });
        zoom(s);
        if (test([&] { return w.RootFound == I(1); })) return Stage::Report;
      }
    }
    if (!test([&] { return w.SampleIdx < I(255); })) return Stage::NextPass;
  }
}

}  // namespace zorvan::solver
