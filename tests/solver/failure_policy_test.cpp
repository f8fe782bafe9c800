#include <gtest/gtest.h>

#include <cmath>

#include "common/array.h"
#include "solver/search.h"
#include "solver/solve_now.h"
#include "support/fake_services.h"

namespace zorvan {
namespace {

using testing::FakeServices;

TEST(FailurePolicy, AConvergenceTestThatCannotBeEvaluatedIsNotConverged) {
  // A text value makes |IterF| fail: the search never converges, so both
  // retry messages come and no root is reported.
  FakeServices svc([](const Value&) { return Value::string("abc"); });
  SolveNow(Value(1.0), Value::integer(1), false, svc);
  ASSERT_EQ(svc.messages.size(), 2u);
  EXPECT_NE(svc.messages[0].find(", abc"), std::string::npos);
  EXPECT_TRUE(svc.results.empty());
}

TEST(FailurePolicy, ASearchHoldsNothingOnceItEnds) {
  // Every step on an array fails; the copies the search made of it, in its
  // working state and for its steps, all go when it ends.
  const Value array = arrayOf({Value(1.0), Value(2.0)});
  FakeServices svc([&](const Value&) { return array; });
  SolveNow(Value(1.0), Value::integer(1), false, svc);
  SolveNow(Value(-1.0), Value(1.0), true, svc);
  EXPECT_EQ(array.arrayRep().refs, 1u);
}

TEST(FailurePolicy, AFailedReportEvaluationWritesNoLineButCountsTheRoot) {
  FakeServices svc([](const Value&) -> Value { raise(err::InvalidCall); });
  const Value lower(0.0), upper(1.0);
  solver::Search s(lower, upper, true, svc);
  s.w.IterIdx = solver::I(1);
  s.w.IterX[1] = Value(0.5);
  s.w.RootCount = solver::I(0);
  s.w.SampleIdx = solver::I(40);
  EXPECT_EQ(solver::reportStep(s), solver::Stage::Scan);
  EXPECT_TRUE(svc.results.empty());
  EXPECT_EQ(s.w.RootCount.toDouble(), 1);
}

TEST(FailurePolicy, AFailedRetryEvaluationShowsNoMessage) {
  FakeServices failing([](const Value&) -> Value { raise(err::DivisionByZero); });
  const Value start(1.0), nonNegative = Value::integer(1);
  solver::Search f(start, nonNegative, false, failing);
  f.w.TryCount = 1;
  f.w.IterX[254] = Value(2.0);
  EXPECT_EQ(solver::retryStep(f), solver::Stage::ApproxRestart);
  EXPECT_TRUE(failing.messages.empty());
  EXPECT_EQ(f.w.X0.toDouble(), 2.0);
  EXPECT_EQ(f.w.TryCount, 2);
}

TEST(FailurePolicy, ASampleThatFailsKeepsZeroInTheFirstPass) {
  // 1/x on -1..1 fails at the grid point 0; that sample reads 0.0, and the
  // cells at it are skipped or bracketed as the scan's rules say.
  std::vector<double> failedAt;
  FakeServices svc([&](const Value& x) -> Value {
    const double v = x.toDouble();
    if (v == 0) {
      failedAt.push_back(v);
      raise(err::DivisionByZero);
    }
    return Value(1 / v);
  });
  const Value lower(-1.0), upper(1.0);
  solver::Search s(lower, upper, true, svc);
  solver::entry(s);
  solver::intervalSetup(s);
  solver::attemptStart(s);
  EXPECT_EQ(solver::sampling(s), solver::Stage::Scan);
  EXPECT_EQ(failedAt.size(), 1u);
  int zeros = 0;
  for (int i = 1; i <= 255; ++i) zeros += s.w.SampleF[i] == 0.0;
  EXPECT_EQ(zeros, 1);
}

TEST(FailurePolicy, APoleDoesNotStopOrHangTheSearch) {
  // The refinement does not tell a pole from a root; what the search reports
  // at the pole is its business, but it must not stop or loop.
  FakeServices svc([](const Value& x) -> Value {
    const double v = x.toDouble() - 0.3;
    if (v == 0) raise(err::DivisionByZero);
    return Value(1 / v);
  });
  SolveNow(Value(0.0), Value(1.0), true, svc);
  EXPECT_LT(svc.evaluations, 100000);
}

TEST(FailurePolicy, OverflowInTheIntervalLeavesAbscissaeEmpty) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble() + 1); });
  SolveNow(Value(-1.7e308), Value(1.7e308), true, svc);
  // Every abscissa computation overflows: all samples sit at 0, where f is 1.
  for (double p : svc.points) EXPECT_EQ(p, 0);
  EXPECT_EQ(svc.messages.size(), 4u);
}

}  // namespace
}  // namespace zorvan
