// Passes, retries and reporting: the steps after a scan, zoom or iteration.
#include <string>

#include "common/step.h"
#include "eval/user_function.h"
#include "solver/search.h"

namespace zorvan::solver {

Stage reportStep(Search& s) {
  WorkingState& w = s.w;
  bool missed = false;
  step([&] {
    const Value root = at(w.IterX, w.IterIdx);
    const double rounded = FNRO(root);
    const Value fx = s.f(root);
    // A zoom root stands on the zoom's own values, one of which may be a
    // failed evaluation read as 0: a fresh value beyond the zoom's tolerance
    // shows that it is no root, and it is neither written nor counted.
    missed = testOrFalse([&] { return w.IterIdx == I(1) && Abs(fx) >= D(0.001); });
    if (missed) return;
    std::string line = "Solution: X , F(X) = " + formatDouble(rounded) + ", " + fx.toText() + "\r\n";
    s.svc.host.appendResult({std::move(line), root, rounded, fx});
  });
  if (s.interval && !missed) step([&] { w.RootCount = w.RootCount + I(1); });
  if (test([&] { return w.SampleIdx < I(255); })) return Stage::Scan;
  if (test([&] { return w.PassCount < I(6); })) return Stage::NextPass;
  return Stage::End;
}

Stage retryStep(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.TryCount = static_cast<std::int16_t>(w.TryCount + 1); });
  if (test([&] { return w.TryCount > 3; })) return Stage::NoRootCheck;
  step([&] { w.X0 = w.IterX[254]; });
  step([&] { w.IterX[2] = w.X0; });
  step([&] {
    const Value fx = s.f(w.X0);
    const Value shown = Int(I(1000) * w.X0 + D(0.5) * Sgn(w.X0)) / I(1000);
    s.svc.host.showMessage("YET TO CONVERGE... X , F(X) = " + shown.toText() + ", " + fx.toText());
  });
  return Stage::ApproxRestart;
}

Stage noRootCheck(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.Flag = I(0); });
  if (s.interval && test([&] { return w.PassCount > I(6); })) {
    step([&] { w.Flag = I(1); });
    step([&] { s.svc.host.showMessage("PROBABLY NO REAL ROOTS IN INTERVAL"); });
  }
  if (test([&] {
        const bool shown = w.Flag == I(1);
        const bool attemptsLeft = w.AttemptCount < I(4);
        return shown && attemptsLeft;
      }))
    return Stage::AttemptStart;
  if (test([&] { return w.AttemptCount == I(4); })) return Stage::End;
  if (test([&] {
        const bool cellsLeft = w.SampleIdx < I(255);
        const bool passLeft = w.PassCount <= I(6);
        return cellsLeft && passLeft;
      }))
    return Stage::Scan;
  if (test([&] { return w.PassCount == I(7); })) return Stage::End;
  return Stage::NextPass;
}

Stage nextPassStep(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.PassCount = w.PassCount + I(1); });
  if (test([&] { return w.PassCount > I(6); })) {
    if (test([&] { return w.RootCount > I(0); })) return Stage::End;
    return Stage::NoRootCheck;
  }
  step([&] {
    const Value minute = I(static_cast<std::int16_t>(s.svc.host.clock().minute()));
    const Value second = I(static_cast<std::int16_t>(s.svc.host.clock().second()));
    w.RndArg = I(100) * (minute + second);
  });
  return Stage::Sampling;
}

}  // namespace zorvan::solver
