#include <gtest/gtest.h>

#include <cmath>

#include "solver/solve_now.h"
#include "support/fake_services.h"

namespace zorvan {
namespace {

using testing::FakeServices;
using testing::numeric;

double startText(double x) { return x * x - x * std::cos(x) - 6; }
double squareMinusTwo(double x) { return x * x - 2; }
double noRealRoot(double x) { return x * x + 1; }

struct Example {
  double (*f)(double);
  double start;
  int evaluationsAtConvergence;
  const char* rounded;
};

class WorkedExamples : public ::testing::TestWithParam<Example> {};

TEST_P(WorkedExamples, ConvergeAfterTheGivenEvaluations) {
  const Example e = GetParam();
  FakeServices svc(numeric(e.f));
  SolveNow(Value(e.start), Value::integer(1), false, svc);
  ASSERT_EQ(svc.events.size(), 1u);
  EXPECT_EQ(svc.events[0].rfind(std::string("Solution: X , F(X) = ") + e.rounded + ", ", 0), 0u) << svc.events[0];
  // The report step evaluates once more before it writes the line.
  EXPECT_EQ(svc.evaluationsAtEvent[0], e.evaluationsAtConvergence + 1);
  EXPECT_EQ(svc.evaluations, e.evaluationsAtConvergence + 1);
}

INSTANTIATE_TEST_SUITE_P(ApproximationMode, WorkedExamples,
                         ::testing::Values(Example{startText, 1, 20, "2.18003"}, Example{startText, 2, 14, "2.18003"},
                                           Example{startText, -1, 24, "-2.99343"},
                                           Example{squareMinusTwo, 1, 18, "1.41421"}));

TEST(ApproximationMode, NoRealRootShowsTwoRetriesThenEndsSilently) {
  FakeServices svc(numeric(noRealRoot));
  SolveNow(Value(1.0), Value::integer(1), false, svc);
  ASSERT_EQ(svc.messages.size(), 2u);
  EXPECT_EQ(svc.messages[0].rfind("YET TO CONVERGE... X , F(X) = 0.315, 1.099", 0), 0u) << svc.messages[0];
  EXPECT_EQ(svc.messages[1].rfind("YET TO CONVERGE... X , F(X) = -2.578, ", 0), 0u) << svc.messages[1];
  EXPECT_TRUE(svc.results.empty());
  // Three sweeps of 420 evaluations, 4 at each entry, one per message.
  EXPECT_EQ(svc.evaluations, 3 * (4 + 420) + 2);
}

TEST(SearchPosition, EachSweepIsToldAsItBegins) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble() * x.toDouble() + 1); });
  SolveNow(Value(1.0), Value::integer(1), false, svc);
  EXPECT_EQ(svc.positions, (std::vector<std::string>{"sweep 1 0/3", "sweep 2 1/3", "sweep 3 2/3"}));
}

TEST(SearchPosition, EachAttemptAndPassIsToldAsItBegins) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble() * x.toDouble() + 1); });
  SolveNow(Value(0.0), Value(1.0), true, svc);
  std::vector<std::string> expected;
  for (int attempt = 1; attempt <= 4; ++attempt)
    for (int pass = 1; pass <= 2; ++pass)
      expected.push_back(std::to_string(attempt) + "." + std::to_string(pass) + " " + std::to_string((attempt - 1) * 2 + pass - 1) + "/8");
  EXPECT_EQ(svc.positions, expected);
}

TEST(ApproximationMode, SecondStartMovesAwayFromZero) {
  struct Case {
    double start;
    int nonNegative;
    double second;
  };
  for (const Case c : {Case{0, 1, 0.008}, Case{0, 0, -0.008}, Case{-3, 1, -3.008}, Case{2, 1, 2.008}}) {
    FakeServices svc(numeric(startText));
    SolveNow(Value(c.start), Value::integer(static_cast<std::int16_t>(c.nonNegative)), false, svc);
    ASSERT_GE(svc.points.size(), 2u);
    EXPECT_EQ(svc.points[0], c.start);
    EXPECT_DOUBLE_EQ(svc.points[1], c.second) << c.start;
  }
}

TEST(ApproximationMode, AStartThatHasConvergedReportsAtOnce) {
  // f = x - 1 from 1: the second start 1.008 is farther; the secant lands on 1 exactly.
  FakeServices svc([](const Value& x) { return Value(x.toDouble() - 1); });
  SolveNow(Value(1.0), Value::integer(1), false, svc);
  ASSERT_EQ(svc.events.size(), 1u);
  EXPECT_EQ(svc.events[0], "Solution: X , F(X) = 1, 0");
}

TEST(ApproximationMode, ConstantNearTheStartUsesTheFixedOffset) {
  // f(X0) = f(X1): the iteration starts from X0 and X0 + 0.004 * Sgn(X1).
  FakeServices svc([](const Value&) { return Value(5.0); });
  SolveNow(Value(3.0), Value::integer(1), false, svc);
  ASSERT_GE(svc.points.size(), 6u);
  EXPECT_EQ(svc.points[4], 3.0);    // IterX(2)
  EXPECT_EQ(svc.points[5], 3.004);  // IterX(1)
}

}  // namespace
}  // namespace zorvan
