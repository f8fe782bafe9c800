#include <gtest/gtest.h>

#include <cmath>

#include "solver/solve_now.h"
#include "support/fake_services.h"

namespace zorvan {
namespace {

using testing::FakeServices;
using testing::numeric;

constexpr const char* kNoRoots = "message: PROBABLY NO REAL ROOTS IN INTERVAL";

double startText(double x) { return x * x - x * std::cos(x) - 6; }

std::vector<std::string> search(FakeServices& svc, double lower, double upper) {
  SolveNow(Value(lower), Value(upper), true, svc);
  return svc.events;
}

TEST(IntervalMode, TheStartTextOnZeroToFiveIsFoundInBothPasses) {
  FakeServices svc(numeric(startText));
  const auto events = search(svc, 0, 5);
  ASSERT_EQ(events.size(), 2u);
  for (const auto& e : events) EXPECT_EQ(e.rfind("Solution: X , F(X) = 2.18003, ", 0), 0u) << e;
  EXPECT_GE(svc.cellsTold, 2);  // the scan tells where it is at each root's cell
}

TEST(IntervalMode, EndsInEitherOrderGiveTheSameSearch) {
  FakeServices a(numeric(startText)), b(numeric(startText));
  EXPECT_EQ(search(a, -5, 5), search(b, 5, -5));
  EXPECT_EQ(a.points, b.points);
}

TEST(IntervalMode, NoRootShowsTheMessageAfterEachOfFourAttempts) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble() * x.toDouble() + 1); });
  const auto events = search(svc, -1, 1);
  EXPECT_EQ(events, std::vector<std::string>(4, kNoRoots));
}

TEST(IntervalMode, EqualBoundsSampleOnlyAndSkipEveryCell) {
  FakeServices svc(numeric(startText));
  const auto events = search(svc, 1, 1);
  EXPECT_EQ(events, std::vector<std::string>(4, kNoRoots));
  EXPECT_EQ(svc.evaluations, 4 * 2 * 255);
}

TEST(IntervalMode, ARootOffTheGridIsReportedOncePerPass) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble() - 0.31); });
  const auto events = search(svc, 0, 1);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "Solution: X , F(X) = 0.31, 0");
  EXPECT_EQ(events[1], "Solution: X , F(X) = 0.31, 0");
}

TEST(IntervalMode, ARootOnAGridPointIsFound) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble()); });
  const auto events = search(svc, -1, 1);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "Solution: X , F(X) = 0, 0");
}

TEST(IntervalMode, ARootAtTheLowerBoundIsNotFound) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble()); });
  EXPECT_EQ(search(svc, 0, 1), std::vector<std::string>(4, kNoRoots));
}

TEST(IntervalMode, ATouchingRootIsFoundByTheZoom) {
  FakeServices svc([](const Value& x) { return Value((x.toDouble() - 0.5) * (x.toDouble() - 0.5)); });
  const auto events = search(svc, 0, 1);
  ASSERT_FALSE(events.empty());
  for (const auto& e : events) EXPECT_EQ(e.rfind("Solution: X , F(X) = 0.5", 0), 0u) << e;
}

TEST(IntervalMode, AFunctionFailingEverywhereEndsAfterFourAttempts) {
  FakeServices svc([](const Value&) -> Value { raise(err::InvalidCall); });
  EXPECT_EQ(search(svc, -1, 1), std::vector<std::string>(4, kNoRoots));
  // Every sample stays 0.0, so the scan skips every cell and evaluates nothing.
  EXPECT_EQ(svc.evaluations, 4 * 2 * 255);
}

TEST(IntervalMode, AtMinuteZeroSecondZeroTheSecondPassRepeatsOneDraw) {
  FakeServices svc([](const Value& x) { return Value(x.toDouble() * x.toDouble() + 1); });
  svc.hour = 7;
  svc.minuteValue = 0;
  svc.secondValue = 0;
  search(svc, 0, 1);
  // Pass 1: 255 samples and 254 cells of three probes; pass 2 starts after them.
  const std::size_t pass2 = 255 + 254 * 3;
  ASSERT_GT(svc.points.size(), pass2 + 255);
  const double lastOfPass1 = svc.points[254];
  for (std::size_t i = pass2 + 51; i < pass2 + 255; ++i) EXPECT_EQ(svc.points[i], lastOfPass1) << i;
  EXPECT_NE(svc.points[253], svc.points[254]);
}

TEST(IntervalMode, TheSamplesCoverTheIntervalAndRepeatWithTheClock) {
  FakeServices a([](const Value& x) { return Value(x.toDouble() + 2); });
  FakeServices b([](const Value& x) { return Value(x.toDouble() + 2); });
  search(a, 0, 1);
  search(b, 0, 1);
  EXPECT_EQ(a.points, b.points);
  for (int i = 0; i < 51; ++i) EXPECT_DOUBLE_EQ(a.points[static_cast<std::size_t>(i)], i / 50.0);
  for (int i = 51; i < 255; ++i) {
    EXPECT_GE(a.points[static_cast<std::size_t>(i)], 0.0);
    EXPECT_LT(a.points[static_cast<std::size_t>(i)], 1.0);
  }
}

TEST(IntervalMode, TwoSearchesInARowDoNotInfluenceEachOther) {
  FakeServices svc(numeric(startText));
  const auto first = search(svc, -5, 5);
  const auto firstPoints = svc.points;
  svc.events.clear();
  svc.points.clear();
  svc.random = RandomGenerator();
  const auto second = search(svc, -5, 5);
  EXPECT_EQ(first, second);
  EXPECT_EQ(firstPoints, svc.points);
}

}  // namespace
}  // namespace zorvan
