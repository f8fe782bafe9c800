// Secant iteration with an Aitken extrapolation in place of every sixth step.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

namespace {
constexpr int kLastIterate = 254;

// One sweep from IterX(1) and IterX(2) up to IterX(254); true when it converged.
bool sweep(Search& s) {
  WorkingState& w = s.w;
  // IterIdx is the search's own whole number, read once each time a step
  // sets it: its neighbours are plain sums.
  int k = 0;
  auto x = [&](int back) -> Value& { return at(w.IterX, k - back); };
  auto next = [&]() -> Value& { return at(w.IterX, k + 1); };
  auto advance = [&] {
    step([&] { w.IterIdx = w.IterIdx + I(1); });
    k = indexOf(w.IterIdx);
  };

  step([&] { w.IterIdx = I(2); });
  k = indexOf(w.IterIdx);
  for (;;) {
    step([&] { w.IterF = s.f(x(0)); });
    step([&] { w.IterFPrev = s.f(x(1)); });
    step([&] { w.IterDX = x(0) - x(1); });
    step([&] {
      const Num left = x(1) * w.IterF;
      w.IterNum = left - x(0) * w.IterFPrev;
    });
    step([&] { w.IterDF = w.IterF - w.IterFPrev; });
    // A test that cannot be evaluated counts as not converged.
    if (testOrFalse([&] {
          const bool settled = Abs(w.IterDX) < D(0.000001);
          const bool small = Abs(w.IterF) <= D(0.0005);
          return settled && small;
        }))
      return true;
    step([&] { next() = (x(1) + x(0)) / I(2); });
    if (test([&] { return Abs(w.IterDF) > D(0.0000001); })) step([&] { next() = w.IterNum / w.IterDF; });
    advance();

    if (k < kLastIterate && k % 6 != 0) continue;
    step([&] { w.OrderFlag = I(0); });
    if (k < kLastIterate && k % 6 == 0) step([&] { w.OrderFlag = I(1); });
    if (test([&] { return w.OrderFlag == I(0); })) return false;

    // Aitken's delta-squared over the last three iterates.
    step([&] { w.IterD2 = (x(2) - I(2) * x(1)) + x(0); });
    step([&] { w.Flag = I(0); });
    if (test([&] { return Abs(w.IterD2) < D(0.0000001); })) {
      step([&] { w.Flag = I(1); });
      step([&] { next() = (x(1) + x(0)) / I(2); });
    }
    if (test([&] { return w.Flag == I(0); }))
      step([&] {
        const Num outer = x(2) * x(0);
        next() = (outer - x(1) * x(1)) / w.IterD2;
      });
    advance();
    if (k >= kLastIterate) return false;
  }
}
}  // namespace

Stage secantIteration(Search& s) {
  WorkingState& w = s.w;
  // Order the starting points: IterX(2) gets the one with the smaller |f|.
  step([&] { w.OrderFlag = I(0); });
  if (test([&] {
        const Value f0 = Abs(s.f(w.X0));
        return f0 < Abs(s.f(w.X1));
      })) {
    step([&] { w.IterX[1] = w.X1; });
    step([&] { w.OrderFlag = I(1); });
  }
  if (test([&] { return w.OrderFlag == I(0); })) {
    step([&] { w.IterX[2] = w.X1; });
    step([&] { w.IterX[1] = w.X0; });
  }
  if (!s.interval) {
    if (test([&] {
          const Value f0 = s.f(w.X0);
          return compare(f0, s.f(w.X1)) == 0;
        })) {
      step([&] { w.IterX[2] = w.X0; });
      step([&] { w.IterX[1] = w.X0 + D(0.004) * Sgn(w.X1); });
    }
  }

  for (;;) {
    if (sweep(s)) return Stage::Report;
    if (!s.interval) break;
    step([&] { w.SweepCount = w.SweepCount + I(1); });
    if (!test([&] { return w.SweepCount < I(2); })) break;
    step([&] { w.IterX[2] = w.IterX[254]; });
    step([&] { w.IterX[1] = w.IterX[253]; });
  }

  // Two sweeps without convergence: zoom between the last iterate and the
  // end of the bracket cell on the side of the sign change.
  if (test([&] { return w.SweepCount == I(2); })) {
    if (test([&] {
          const Value fLast = s.f(w.IterX[254]);
          return fLast * s.f(at(w.SampleX, w.BracketLoIdx)) < I(0);
        })) {
      step([&] { w.ZoomLeft = at(w.SampleX, w.BracketLoIdx); });
      step([&] { w.ZoomRight = w.IterX[254]; });
    } else {
      step([&] { w.ZoomLeft = w.IterX[254]; });
      step([&] { w.ZoomRight = at(w.SampleX, w.BracketHiIdx); });
    }
    zoom(s);
    if (test([&] { return w.RootFound == I(0); })) return Stage::Scan;
  }
  if (test([&] { return w.SweepCount == I(2) && w.RootFound == I(1); })) return Stage::Report;
  return Stage::Retry;
}

}  // namespace zorvan::solver
