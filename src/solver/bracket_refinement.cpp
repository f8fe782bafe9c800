// False-position refinement of a bracket: at most 19 steps of regula falsi.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

void refineBracket(Search& s) {
  WorkingState& w = s.w;
  // The current pair is (IterX(j), IterX(j + 1)) with j = IterIdx.
  auto a = [&]() -> Value& { return at(w.IterX, w.IterIdx); };
  auto b = [&]() -> Value& { return at(w.IterX, indexOf(w.IterIdx) + 1); };

  step([&] { w.IterX[2] = at(w.SampleX, w.BracketHiIdx); });
  step([&] { w.IterX[1] = at(w.SampleX, w.BracketLoIdx); });
  step([&] { w.IterIdx = I(1); });
  for (;;) {
    step([&] {
      const Value left = a() * s.f(b());
      w.BracketNum = left - b() * s.f(a());
    });
    step([&] {
      const Value fb = s.f(b());
      w.BracketDen = fb - s.f(a());
    });
    if (test([&] { return Abs(w.BracketDen) < D(1e-08); })) {
      step([&] { w.IterX[1] = a(); });
      step([&] { w.IterX[2] = b(); });
      return;
    }
    step([&] { w.BracketX = w.BracketNum / w.BracketDen; });
    if (test([&] { return s.f(w.BracketX) == I(0); })) {
      step([&] { w.IterX[2] = w.BracketX; });
      step([&] { w.IterX[1] = w.BracketX; });
      return;
    }
    step([&] { w.Flag = I(0); });
    if (test([&] {
          const Value fa = s.f(a());
          return fa * s.f(w.BracketX) < I(0);
        })) {
      // The root lies between a and the new point.
      step([&] { at(w.IterX, w.IterIdx + I(1)) = a(); });
      step([&] { at(w.IterX, w.IterIdx + I(2)) = w.BracketX; });
      step([&] { w.Flag = I(1); });
    }
    if (test([&] { return w.Flag == I(0); })) {
      // The root lies between the new point and b.
      step([&] { at(w.IterX, w.IterIdx + I(2)) = b(); });
      step([&] { at(w.IterX, w.IterIdx + I(1)) = w.BracketX; });
    }
    step([&] { w.IterIdx = w.IterIdx + I(1); });
    if (!test([&] { return w.IterIdx < I(20); })) break;
  }
  step([&] { w.IterX[2] = w.IterX[21]; });
  step([&] { w.IterX[1] = w.IterX[20]; });
}

}  // namespace zorvan::solver
