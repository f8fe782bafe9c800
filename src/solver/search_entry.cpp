// Entry, the two set-ups and the attempt start.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

Stage entry(Search& s) {
  // The working state was created empty with the Search.
  step([&] { s.w.TryCount = 1; });
  return s.interval ? Stage::IntervalSetup : Stage::ApproxSetup;
}

Stage intervalSetup(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.SamplingPasses = I(2); });
  step([&] { w.AttemptCount = I(0); });
  return Stage::AttemptStart;
}

Stage attemptStart(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.LowerX = s.Arg1; });
  step([&] { w.UpperX = s.Arg2; });
  if (test([&] { return w.LowerX > w.UpperX; })) step([&] { std::swap(w.LowerX, w.UpperX); });
  step([&] { w.AttemptCount = w.AttemptCount + I(1); });
  step([&] { w.IntervalLo = w.LowerX; });
  step([&] { w.IntervalHi = w.UpperX; });
  step([&] { w.RootCount = I(0); });
  step([&] { w.PassCount = I(7) - w.SamplingPasses; });
  step([&] { w.RndArg = I(1969); });
  step([&] { s.svc.random.reseed(s.svc.host.clock().secondsSinceMidnight()); });
  return Stage::Sampling;
}

Stage approxSetup(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.X0 = s.Arg1; });
  step([&] { w.IterX[2] = w.X0; });
  step([&] { w.RootCount = I(1); });
  return Stage::ApproxRestart;
}

// Steps 4 to 8: the shared counters at their end values, so that the tests
// of the reporting steps end the search instead of sending it to a scan.
Stage approxRestart(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.SampleIdx = I(255); });
  step([&] { w.PassCount = I(7); });
  step([&] { w.X1 = w.X0 + Sgn(w.X0) * D(0.008); });
  if (test([&] { return w.X0 == I(0); })) zeroStart(s);
  return Stage::Iteration;
}

void zeroStart(Search& s) {
  WorkingState& w = s.w;
  step([&] { w.Flag = I(0); });
  if (test([&] { return s.Arg2 == I(1); })) {
    step([&] { w.X1 = D(0.008); });
    step([&] { w.Flag = I(1); });
  }
  if (test([&] { return w.Flag == I(0); })) step([&] { w.X1 = D(-0.008); });
}

}  // namespace zorvan::solver
