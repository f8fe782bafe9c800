#include <gtest/gtest.h>

#include <chrono>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "solver/solve_command.h"

namespace zorvan {
namespace {

class RecordingHost final : public SolveHost {
 public:
  void appendResult(const ReportedRoot& root) override {
    results += root.line;
    events.push_back(root.line.substr(0, root.line.size() - 2));
  }
  void showMessage(std::string_view text) override { events.push_back("message: " + std::string(text)); }
  Clock& clock() override { return frozen; }

  std::string results;
  std::vector<std::string> events;
  FixedClock frozen{12, 34, 56};
};

struct Fixture : ::testing::Test {
  VBScriptEngine engine;
  SolveCommand command{engine};
  RecordingHost host;

  SolveOutcome interval(std::string_view text, std::string_view lo, std::string_view hi) {
    SolveRequest r;
    r.functionText = text;
    r.intervalSelected = true;
    r.lowerText = lo;
    r.upperText = hi;
    return command.run(r, host);
  }
  SolveOutcome approx(std::string_view text, std::string_view x0, bool nonNegative = true) {
    SolveRequest r;
    r.functionText = text;
    r.intervalSelected = false;
    r.approxText = x0;
    r.nonNegativeChecked = nonNegative;
    return command.run(r, host);
  }
};

using SolveCommandTest = Fixture;

TEST_F(SolveCommandTest, StartTextFromOne) {
  EXPECT_EQ(approx(kStartText, "1"), SolveOutcome::Searched);
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0].rfind("Solution: X , F(X) = 2.18003, ", 0), 0u);
}

TEST_F(SolveCommandTest, ACompileErrorIsShownOnceAndNoSearchRuns) {
  EXPECT_EQ(interval("MyFunction = (x", "0", "1"), SolveOutcome::NotCompiled);
  EXPECT_EQ(host.events, std::vector<std::string>{"message: Error 1006 : Expected ')'"});
}

TEST_F(SolveCommandTest, ARepeatedEngineErrorIsShownOnce) {
  interval("MyFunction = Log(x)", "-1", "1");
  int errors = 0;
  for (const auto& e : host.events) errors += e == "message: Error 5 : Invalid procedure call or argument";
  EXPECT_EQ(errors, 1);
  EXPECT_GE(host.events.size(), 2u);
}

TEST_F(SolveCommandTest, EachSolveShowsItsErrorsAgain) {
  interval("MyFunction = 1 / (x - x)", "0", "1");
  interval("MyFunction = 1 / (x - x)", "0", "1");
  int errors = 0;
  for (const auto& e : host.events) errors += e == "message: Error 11 : Division by zero";
  EXPECT_EQ(errors, 2);
}

// A failed evaluation inside the zoom once let a point far from any root be
// reported; the second pass's sampling, and so that point, follows the clock.
TEST_F(SolveCommandTest, APoleIsNeverReportedAsARoot) {
  for (const auto& [m, sec] : {std::pair{0, 0}, {12, 7}, {34, 56}, {59, 59}, {21, 30}}) {
    host.events.clear();
    host.frozen = FixedClock(10, m, sec);
    interval("MyFunction = 1/x", "-1", "1");
    EXPECT_EQ(host.events, std::vector<std::string>{"message: Error 11 : Division by zero"}) << m << ":" << sec;
    host.events.clear();
    interval("MyFunction = 1/(x-1)", "-5", "5");
    for (const auto& e : host.events) EXPECT_EQ(e.find("Solution"), std::string::npos) << m << ":" << sec << " " << e;
  }
}

// A function that fails at every point at the bottom of a deep recursion,
// directly or through Execute: each evaluation fails with error 28, shown
// once, and the search runs its four attempts to their end.
TEST_F(SolveCommandTest, UnboundedRecursionFailsEveryPointAndTheSearchEnds) {
  for (const char* body : {"  R = R(t) + 1", "  Execute \"R = R(t) + 1\""}) {
    host.events.clear();
    const std::string text = std::string("MyFunction = R(x)\r\nUserFN = MyFunction\r\nEnd Function\r\nFunction R(t)\r\n") +
                             body + "\r\nEnd Function\r\nFunction Unused()";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(interval(text, "-1", "1"), SolveOutcome::Searched);
    std::vector<std::string> expected{"message: Error 28 : Out of stack space"};
    expected.insert(expected.end(), 4, "message: PROBABLY NO REAL ROOTS IN INTERVAL");
    EXPECT_EQ(host.events, expected) << body;
    // A bound against a hang; search/failing_recursion in search_bench measures the cost.
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 120) << body;
  }
}

TEST_F(SolveCommandTest, ATimeOutEndsTheSearchAfterItsMessage) {
  engine.setTimeout(std::chrono::milliseconds(100));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(interval("If x > 0.5 Then\r\n Do : Loop\r\nEnd If\r\nMyFunction = x - 0.25", "0", "1"),
            SolveOutcome::Searched);
  const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0], "message: Error -2147467260 : Script timed out");
  EXPECT_LT(took, 10.0);
}

TEST_F(SolveCommandTest, BoxesAreReadByTheLeadingNumberRule) {
  approx("MyFunction = x - 2.5", "2,5");
  ASSERT_EQ(host.events.size(), 1u);
  EXPECT_EQ(host.events[0], "Solution: X , F(X) = 2.5, 0");
}

TEST_F(SolveCommandTest, ABoxBeyondADoubleRunsNoSearchAndShowsNothing) {
  EXPECT_EQ(interval(kStartText, "1E400", "1"), SolveOutcome::NoSearch);
  EXPECT_EQ(approx(kStartText, "-1e999"), SolveOutcome::NoSearch);
  EXPECT_TRUE(host.events.empty());
}

TEST_F(SolveCommandTest, EmptyBoxesSearchZeroToZero) {
  interval(kStartText, "", "");
  EXPECT_EQ(host.events, std::vector<std::string>(4, "message: PROBABLY NO REAL ROOTS IN INTERVAL"));
}

TEST_F(SolveCommandTest, TheNonNegativeBoxChoosesTheSecondStart) {
  approx("MyFunction = x*x - 4", "0", true);
  approx("MyFunction = x*x - 4", "0", false);
  ASSERT_EQ(host.events.size(), 2u);
  EXPECT_EQ(host.events[0].rfind("Solution: X , F(X) = 2, ", 0), 0u) << host.events[0];
  EXPECT_EQ(host.events[1].rfind("Solution: X , F(X) = -2, ", 0), 0u) << host.events[1];
}

TEST_F(SolveCommandTest, ResultsAccumulateAndEachSolveUsesOnlyItsText) {
  approx("MyFunction = x - 1", "3");
  approx("MyFunction = x - 7", "3");
  EXPECT_EQ(host.results, "Solution: X , F(X) = 1, 0\r\nSolution: X , F(X) = 7, 0\r\n");
}

}  // namespace
}  // namespace zorvan
