#include <gtest/gtest.h>

#include <cmath>

#include "solver/search.h"
#include "support/fake_services.h"

namespace zorvan::solver {
namespace {

using testing::FakeServices;

struct Harness {
  explicit Harness(FakeServices::Function f, bool interval = true)
      : svc(std::move(f)), s(arg1, arg2, interval, svc) {}
  Value arg1, arg2;
  FakeServices svc;
  Search s;
  WorkingState& w = s.w;
};

double d(const Value& v) { return v.toDouble(); }

FakeServices::Function poly(double a, double b, double c) {
  return [=](const Value& x) {
    const double v = x.toDouble();
    return Value(a * v * v + b * v + c);
  };
}

void zoomOver(Harness& h, double left, double right) {
  h.w.ZoomLeft = D(left);
  h.w.ZoomRight = D(right);
  zoom(h.s);
}

TEST(Zoom, ARootAtAPointOfEveryPass) {
  Harness h(poly(1, -2, 1));  // (x - 1)^2
  zoomOver(h, 0.5, 1.5);
  EXPECT_EQ(d(h.w.RootFound), 1);
  EXPECT_EQ(d(h.w.IterX[1]), 1);
  EXPECT_EQ(d(h.w.IterIdx), 1);
  EXPECT_EQ(h.svc.evaluations, 77);
}

TEST(Zoom, AParabolaClearOfZeroIsNoRoot) {
  Harness h(poly(1, 0, 1));
  zoomOver(h, -0.5, 0.5);
  EXPECT_EQ(d(h.w.RootFound), 0);
  EXPECT_EQ(d(h.w.IterIdx), 1);
  EXPECT_NEAR(d(h.w.IterX[1]), 0, 1e-9);
}

TEST(Zoom, ANearMissCountsAsARoot) {
  Harness h(poly(1, 0, 0.0005));
  zoomOver(h, -0.5, 0.5);
  EXPECT_EQ(d(h.w.RootFound), 1);
  EXPECT_NEAR(d(h.w.IterX[1]), 0, 1e-9);
}

TEST(Zoom, AReversedWindowEndsWithoutARoot) {
  Harness h(poly(1, 0, 0.0005));
  zoomOver(h, 0.7, -0.3);
  EXPECT_EQ(d(h.w.RootFound), 0);
  EXPECT_LT(d(h.w.ZoomStep), 0);
}

TEST(Zoom, FarFromZeroIsNoRootAfterAllEvaluations) {
  Harness h(poly(0, 1, 200));
  zoomOver(h, 0, 1);
  EXPECT_EQ(d(h.w.RootFound), 0);
  EXPECT_EQ(h.svc.evaluations, 77);
}

TEST(Zoom, TheRightEndThatMissesByABitWalksOutOfTheWindow) {
  Harness h(poly(0, 1, -5));  // x - 5
  zoomOver(h, -1, 0.3);
  EXPECT_EQ(d(h.w.RootFound), 0);
  EXPECT_EQ(d(h.w.ParaA), 0);
  EXPECT_GT(d(h.w.ZoomBestX), 0.4);
}

TEST(Zoom, EqualMagnitudesPreferTheLargerIndex) {
  Harness h([](const Value& x) { return Value(std::fabs(x.toDouble()) < 0.25 ? 1.0 : 2.0); });
  zoomOver(h, -0.5, 0.5);
  // Points 4 to 8 of the first pass tie at |f| = 1; the last of them, x = 0.2, is taken.
  EXPECT_EQ(h.svc.points[10], 0.5);
  ASSERT_GE(h.svc.points.size(), 12u);
  EXPECT_NEAR(h.svc.points[11], 0.2 - 0.1, 1e-12);  // the second pass starts one step left of it
}

TEST(Zoom, TheSeventhPassHasTheSpacingOfTheWindowOver156250) {
  Harness h(poly(1, 0, 3));
  zoomOver(h, 0, 2);
  EXPECT_NEAR(d(h.w.ZoomStep), 2.0 / 156250, 1e-18);
}

TEST(Zoom, TheParabolaUsesPlainProducts) {
  Harness h(poly(1, 0, 0.0005));
  zoomOver(h, -0.5, 0.5);
  const double step = d(h.w.ZoomStep), best = d(h.w.ZoomBestX);
  const double f1 = d(h.w.ParaF1), f2 = d(h.w.ParaF2), f3 = d(h.w.ParaF3);
  const double a = ((f1 - 2 * f2) + f3) / (2 * (step * step));
  const double b = (f3 - f2) / step - a * (2 * best + step);
  const double c = (f2 - a * (best * best)) - b * best;
  EXPECT_EQ(d(h.w.ParaA), a);
  EXPECT_EQ(d(h.w.ParaB), b);
  EXPECT_EQ(d(h.w.ParaC), c);
}

TEST(BracketRefinement, AnExactRootEndsAfterFiveEvaluations) {
  Harness h([](const Value& x) { return Value(x.toDouble() - 2); });
  h.w.SampleX[10] = D(1.96);
  h.w.SampleX[11] = D(2.0);
  h.w.BracketLoIdx = I(10);
  h.w.BracketHiIdx = I(11);
  refineBracket(h.s);
  EXPECT_EQ(d(h.w.IterX[1]), 2);
  EXPECT_EQ(d(h.w.IterX[2]), 2);
  EXPECT_EQ(h.svc.evaluations, 5);
}

TEST(BracketRefinement, AFlatPairReturnsAtOnce) {
  Harness h([](const Value& x) { return Value(x.toDouble() < 1.5 ? -1e-9 : 1e-9); });
  h.w.SampleX[1] = D(1);
  h.w.SampleX[2] = D(2);
  h.w.BracketLoIdx = I(1);
  h.w.BracketHiIdx = I(2);
  refineBracket(h.s);
  EXPECT_EQ(d(h.w.IterX[1]), 1);
  EXPECT_EQ(d(h.w.IterX[2]), 2);
  EXPECT_EQ(h.svc.evaluations, 4);
}

TEST(BracketRefinement, RunsNineteenStepsWithoutAnExactHit) {
  Harness h([](const Value& x) { return Value(std::exp(x.toDouble()) - 2); });
  h.w.SampleX[1] = D(0);
  h.w.SampleX[2] = D(1);
  h.w.BracketLoIdx = I(1);
  h.w.BracketHiIdx = I(2);
  refineBracket(h.s);
  EXPECT_EQ(h.svc.evaluations, 19 * 7);
  EXPECT_LT(d(h.w.IterX[1]), std::log(2.0));
  EXPECT_GE(d(h.w.IterX[2]), std::log(2.0));
}

TEST(Sort, AscendingWithValuesFollowingTheirAbscissae) {
  Harness h(poly(0, 0, 0));
  for (int i = 1; i <= 255; ++i) {
    const double x = std::fmod(i * 37.0, 101.0);
    h.w.SampleX[i] = D(x);
    h.w.SampleF[i] = x * 10;
  }
  sortSamples(h.w);
  for (int i = 1; i <= 255; ++i) {
    if (i > 1) {
      EXPECT_LE(d(h.w.SampleX[i - 1]), d(h.w.SampleX[i]));
    }
    EXPECT_EQ(h.w.SampleF[i], d(h.w.SampleX[i]) * 10);
  }
}

TEST(Scan, ABracketHandsTheRefinedRightEndOverAsX0) {
  Harness h([](const Value& x) { return Value(x.toDouble() - 0.31); });
  h.w.SampleIdx = I(1);
  for (int i = 1; i <= 255; ++i) {
    h.w.SampleX[i] = D((i - 1) / 254.0);
    h.w.SampleF[i] = (i - 1) / 254.0 - 0.31;
  }
  EXPECT_EQ(signChangeScan(h.s), Stage::Iteration);
  EXPECT_EQ(d(h.w.X0), d(h.w.IterX[2]));
  EXPECT_EQ(d(h.w.X1), d(h.w.IterX[1]));
  EXPECT_EQ(h.w.TryCount, 4);
  const int hi = static_cast<int>(d(h.w.BracketHiIdx));
  EXPECT_EQ(d(h.w.BracketLoIdx), hi - 1);
  EXPECT_EQ(d(h.w.SampleIdx), hi);
  EXPECT_LT(d(h.w.SampleX[hi - 1]), 0.31);
  EXPECT_GT(d(h.w.SampleX[hi]), 0.31);
}

TEST(Scan, ReenteredAtTheLastSampleGoesToTheNextPass) {
  Harness h(poly(0, 1, 0));
  h.w.SampleIdx = I(255);
  EXPECT_EQ(signChangeScan(h.s), Stage::NextPass);
  EXPECT_EQ(h.svc.evaluations, 0);
  EXPECT_EQ(d(h.w.SampleIdx), 256);
}

TEST(Scan, AConstantCostsThreeEvaluationsPerCell) {
  Harness h(poly(0, 0, 4));
  for (int i = 1; i <= 255; ++i) {
    h.w.SampleX[i] = D(i);
    h.w.SampleF[i] = 4;
  }
  h.w.SampleIdx = I(1);
  EXPECT_EQ(signChangeScan(h.s), Stage::NextPass);
  EXPECT_EQ(h.svc.evaluations, 254 * 3);
}

TEST(RetryStep, ShowsTheLastIterateRoundedDown) {
  for (const auto& [x0, shown] : {std::pair{2.3456, "2.346"}, std::pair{-2.3456, "-2.347"},
                                  std::pair{-0.0004, "-0.001"}, std::pair{0.0004, "0"}, std::pair{0.0, "0"}}) {
    Harness h([](const Value&) { return Value(7.5); }, false);
    h.w.TryCount = 1;
    h.w.IterX[254] = D(x0);
    EXPECT_EQ(retryStep(h.s), Stage::ApproxRestart);
    ASSERT_EQ(h.svc.messages.size(), 1u);
    EXPECT_EQ(h.svc.messages[0], std::string("YET TO CONVERGE... X , F(X) = ") + shown + ", 7.5");
    EXPECT_EQ(d(h.w.IterX[2]), x0);
  }
}

TEST(ReportStep, AnUnassignedFunctionLeavesTheValueOut) {
  Harness h([](const Value&) { return Value(); });
  h.w.IterIdx = I(1);
  h.w.IterX[1] = D(2.5);
  h.w.SampleIdx = I(255);
  h.w.PassCount = I(6);
  EXPECT_EQ(reportStep(h.s), Stage::End);
  EXPECT_EQ(h.svc.results, "Solution: X , F(X) = 2.5, \r\n");
}

// A zoom root (IterIdx = 1) whose fresh value is 0.001 or more from zero is
// no root: no line, not counted, and the search goes on as after a line.
TEST(ReportStep, AZoomRootMustStillBeNearZero) {
  struct Case {
    int iterIdx;
    double fx;
    bool written;
  };
  for (const auto& c : {Case{1, 0.0005, true}, Case{1, -0.000999, true}, Case{1, 0.001, false},
                        Case{1, -0.0225, false}, Case{2, 0.0225, true}, Case{5, -3.0, true}}) {
    Harness h([&](const Value&) { return Value(c.fx); });
    h.w.IterIdx = I(static_cast<std::int16_t>(c.iterIdx));
    h.w.IterX[static_cast<std::size_t>(c.iterIdx)] = D(0.25);
    h.w.SampleIdx = I(100);
    h.w.PassCount = I(5);
    h.w.RootCount = I(0);
    EXPECT_EQ(reportStep(h.s), Stage::Scan) << c.fx;
    EXPECT_EQ(h.svc.events.size(), c.written ? 1u : 0u) << c.iterIdx << " " << c.fx;
    EXPECT_EQ(d(h.w.RootCount), c.written ? 1 : 0) << c.iterIdx << " " << c.fx;
    EXPECT_EQ(h.svc.evaluations, 1);
  }
}

TEST(ReportStep, TheZoomsNearMissIsReported) {
  Harness h(poly(1, 0, 0.0005));
  zoomOver(h, -0.5, 0.5);
  ASSERT_EQ(d(h.w.RootFound), 1);
  h.w.SampleIdx = I(255);
  h.w.PassCount = I(6);
  EXPECT_EQ(reportStep(h.s), Stage::End);
  ASSERT_EQ(h.svc.events.size(), 1u);
  EXPECT_EQ(h.svc.events[0].rfind("Solution: X , F(X) = 0, 0.0005", 0), 0u) << h.svc.events[0];
}

TEST(ReportStep, TheLastCellOfTheFirstPassStartsTheSecond) {
  Harness h([](const Value&) { return Value(0.0); });
  h.w.IterIdx = I(1);
  h.w.IterX[1] = D(1);
  h.w.SampleIdx = I(255);
  h.w.PassCount = I(5);
  EXPECT_EQ(reportStep(h.s), Stage::NextPass);
  h.w.SampleIdx = I(100);
  EXPECT_EQ(reportStep(h.s), Stage::Scan);
  EXPECT_EQ(d(h.w.RootCount), 2);
}

}  // namespace
}  // namespace zorvan::solver

namespace zorvan::solver {
namespace {

TEST(SecantIteration, TheAitkenStepUsesPlainProducts) {
  Harness h([](const Value& x) { return Value(x.toDouble() * x.toDouble() + 1); }, false);
  h.w.X0 = D(1);
  h.w.X1 = D(1.008);
  h.w.IterX[2] = D(1);
  EXPECT_EQ(secantIteration(h.s), Stage::Retry);
  const double a = d(h.w.IterX[4]), b = d(h.w.IterX[5]), c = d(h.w.IterX[6]);
  const double d2 = (a - 2 * b) + c;
  ASSERT_GE(std::fabs(d2), 0.0000001);
  EXPECT_EQ(d(h.w.IterX[7]), (a * c - b * b) / d2);
}

TEST(SecantIteration, EqualMagnitudesPutTheSecondStartLast) {
  // |f(X0)| = |f(X1)| with f(X0) != f(X1): IterX(2) = X1, IterX(1) = X0.
  Harness h([](const Value& x) { return Value(x.toDouble() < 0 ? -1.0 : 1.0); });
  h.w.X0 = D(-1);
  h.w.X1 = D(1);
  h.w.SampleX[1] = D(-1);
  h.w.SampleX[2] = D(1);
  h.w.BracketLoIdx = I(1);
  h.w.BracketHiIdx = I(2);
  h.w.SweepCount = I(0);
  secantIteration(h.s);
  // The first step evaluates IterX(2), then IterX(1).
  ASSERT_GE(h.svc.points.size(), 4u);
  EXPECT_EQ(h.svc.points[2], 1);
  EXPECT_EQ(h.svc.points[3], -1);
}

}  // namespace
}  // namespace zorvan::solver
