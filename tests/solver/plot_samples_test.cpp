#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "solver/plot_samples.h"
#include "solver/solve_command.h"

namespace zorvan {
namespace {

TEST(PlotSamples, HoldTheValuesFnfGives) {
  VBScriptEngine engine;
  const PlotData d = samplePlot(engine, kStartText, -5, 5, {2.180027}, 101);
  ASSERT_EQ(d.runs.size(), 1u);
  ASSERT_EQ(d.runs[0].size(), 101u);
  for (const PlotPoint& p : d.runs[0]) EXPECT_DOUBLE_EQ(p.y, p.x * p.x - p.x * std::cos(p.x) - 6);
  EXPECT_EQ(d.runs[0].front().x, -5);
  EXPECT_EQ(d.runs[0].back().x, 5);
  ASSERT_EQ(d.roots.size(), 1u);
  EXPECT_EQ(d.roots[0].label, "2.18003");
  ASSERT_TRUE(d.roots[0].y.has_value());
  EXPECT_NEAR(*d.roots[0].y, 0, 1e-4);
}

TEST(PlotSamples, FailingPointsMakeGaps) {
  VBScriptEngine engine;
  const PlotData d = samplePlot(engine, "If Abs(x) < 1 Then MyFunction = 1 / 0 Else MyFunction = x", -3, 3, {}, 61);
  ASSERT_EQ(d.runs.size(), 2u);
  EXPECT_LE(d.runs[0].back().x, -1 + 1e-9);
  EXPECT_GE(d.runs[1].front().x, 1 - 1e-9);
  const PlotData text = samplePlot(engine, "MyFunction = \"abc\"", 0, 1, {0.5}, 11);
  EXPECT_TRUE(text.runs.empty());
  ASSERT_EQ(text.roots.size(), 1u);
  EXPECT_FALSE(text.roots[0].y.has_value());
}

// A pole breaks the curve as a failure does; a root, however steep, does not.
TEST(PlotSamples, PolesBreakTheCurveAndRootsDoNot) {
  VBScriptEngine engine;
  const std::pair<const char*, std::size_t> table[] = {
      {"MyFunction = 1/(x-1)", 2}, {"MyFunction = Tan(x)", 5},          {"MyFunction = -1/(x+2)^3", 2},
      {"MyFunction = x^3 - 2", 1}, {"MyFunction = 1000*(x - 0.3)", 1}, {"MyFunction = Sin(8*x)", 1},
      {"MyFunction = Atn(1E6*(x - 0.3))", 1},
  };
  for (const auto& [text, runs] : table) EXPECT_EQ(samplePlot(engine, text, -5, 5, {}, 400).runs.size(), runs) << text;
}

TEST(PlotSamples, ASinglePointGetsRoomAndABadScriptNothing) {
  VBScriptEngine engine;
  const PlotData d = samplePlot(engine, "MyFunction = x", 2, 2, {}, 11);
  EXPECT_EQ(d.from, 1);
  EXPECT_EQ(d.to, 3);
  EXPECT_TRUE(samplePlot(engine, "MyFunction = (", 0, 1, {}, 11).runs.empty());
}

class SilentHost final : public SolveHost {
 public:
  void appendResult(const ReportedRoot&) override {}
  void showMessage(std::string_view) override {}
  Clock& clock() override { return clock_; }

 private:
  FixedClock clock_{1, 2, 3};
};

TEST(SolveSummary, TheSpanAndTheRootsOfTheLastSolve) {
  VBScriptEngine engine;
  SolveCommand command(engine);
  SilentHost host;
  SolveRequest r;
  r.functionText = kStartText;
  r.lowerText = "5";
  r.upperText = "-5";
  command.run(r, host);
  EXPECT_EQ(command.lastSummary().from, -5);
  EXPECT_EQ(command.lastSummary().to, 5);
  EXPECT_EQ(command.lastSummary().roots.size(), 4u);
  r.intervalSelected = false;
  r.approxText = "1";
  command.run(r, host);
  const SolveSummary& s = command.lastSummary();
  EXPECT_FALSE(s.interval);
  EXPECT_EQ(s.evaluations, 21);
  ASSERT_EQ(s.roots.size(), 1u);
  EXPECT_LE(s.from, 1.0);
  EXPECT_GE(s.to, s.roots[0]);
}

TEST(PlotSamples, TheFirstTimeOutOrAStopEndsTheSampling) {
  VBScriptEngine engine;
  engine.setTimeout(std::chrono::milliseconds(50));
  const PlotData d = samplePlot(engine, "If x > 0.5 Then\r\n Do: Loop\r\nEnd If\r\nMyFunction = x", 0, 1, {0.25}, 11);
  EXPECT_TRUE(d.cutShort);
  ASSERT_EQ(d.runs.size(), 1u);
  EXPECT_EQ(d.runs[0].size(), 6u);  // 0 to 0.5, then one time-out and no more runs
  ASSERT_EQ(d.roots.size(), 1u);
  EXPECT_FALSE(d.roots[0].y.has_value());  // nor for the roots

  int asked = 0;
  const PlotData stopped = samplePlot(engine, "MyFunction = x", 0, 1, {}, 11, [&] { return ++asked > 3; });
  EXPECT_TRUE(stopped.cutShort);
  ASSERT_EQ(stopped.runs.size(), 1u);
  EXPECT_EQ(stopped.runs[0].size(), 3u);
  EXPECT_FALSE(samplePlot(engine, "MyFunction = x", 0, 1, {}, 11).cutShort);
}

TEST(PlotSamples, ASolveThatTimedOutIsNotSampledAgain) {
  VBScriptEngine engine;  // the default time-out: sampling "Do: Loop" would take ten seconds
  SolveSummary summary;
  summary.from = 3;
  summary.to = -2;
  summary.timedOut = true;
  const auto start = std::chrono::steady_clock::now();
  const PlotData d = plotOfSolve(engine, "Do: Loop", summary);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(d.cutShort);
  EXPECT_TRUE(d.runs.empty());
  EXPECT_EQ(d.from, -2);
  EXPECT_EQ(d.to, 3);
  summary.timedOut = false;
  summary.roots = {1.5};
  const PlotData sampled = plotOfSolve(engine, "MyFunction = x - 1.5", summary);
  EXPECT_FALSE(sampled.cutShort);
  ASSERT_EQ(sampled.runs.size(), 1u);
  EXPECT_EQ(sampled.runs[0].size(), 400u);
  ASSERT_EQ(sampled.roots.size(), 1u);
  EXPECT_EQ(sampled.roots[0].y, 0.0);
}

}  // namespace
}  // namespace zorvan
