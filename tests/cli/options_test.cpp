#include <gtest/gtest.h>

#include "cli/options.h"

namespace zorvan::cli {
namespace {

Parsed parseLine(std::vector<std::string> args) { return parse(args); }

TEST(CliOptions, EvalTakesPointsAndAFunction) {
  const Parsed p = parseLine({"eval", "--function", "MyFunction = x", "1", "-2", "abc"});
  ASSERT_TRUE(p.error.empty()) << p.error;
  EXPECT_EQ(p.options.command, Command::Eval);
  EXPECT_EQ(p.options.functionText, "MyFunction = x");
  EXPECT_EQ(p.options.points, (std::vector<std::string>{"1", "-2", "abc"}));
}

TEST(CliOptions, TheDefaultFunctionIsTheStartText) {
  const Parsed p = parseLine({"eval", "1"});
  EXPECT_EQ(p.options.functionText, "MyFunction = x*x - x*Cos(x) -6\r\n");
}

TEST(CliOptions, SolveModes) {
  Parsed p = parseLine({"solve", "--interval", "0", "5", "--clock", "01:02:03"});
  ASSERT_TRUE(p.error.empty()) << p.error;
  EXPECT_TRUE(p.options.interval);
  EXPECT_EQ(p.options.lower, "0");
  EXPECT_EQ(p.options.upper, "5");
  ASSERT_TRUE(p.options.clock.has_value());
  EXPECT_EQ(p.options.clock->secondsSinceMidnight(), 3723.0f);
  EXPECT_EQ(p.options.clock->minute(), 2);
  p = parseLine({"solve", "--approx", "-1", "--non-negative", "0"});
  ASSERT_TRUE(p.error.empty()) << p.error;
  EXPECT_FALSE(p.options.interval);
  EXPECT_EQ(p.options.approx, "-1");
  EXPECT_FALSE(p.options.nonNegative);
}

TEST(CliOptions, UsageErrors) {
  EXPECT_FALSE(parseLine({}).error.empty());
  EXPECT_FALSE(parseLine({"frobnicate"}).error.empty());
  EXPECT_FALSE(parseLine({"eval"}).error.empty());
  EXPECT_FALSE(parseLine({"solve"}).error.empty());
  EXPECT_FALSE(parseLine({"solve", "--interval", "1"}).error.empty());
  EXPECT_FALSE(parseLine({"solve", "--interval", "1", "2", "--approx", "1"}).error.empty());
  EXPECT_FALSE(parseLine({"solve", "--approx", "1", "--non-negative", "2"}).error.empty());
  EXPECT_FALSE(parseLine({"solve", "--approx", "1", "--clock", "25:00:00"}).error.empty());
  EXPECT_FALSE(parseLine({"solve", "--approx", "1", "--clock", "1:2:3"}).error.empty());
  EXPECT_FALSE(parseLine({"eval", "--function-file", "/nonexistent/zorvan", "1"}).error.empty());
  EXPECT_FALSE(parseLine({"eval", "--bogus", "1"}).error.empty());
}

TEST(CliOptions, HelpAndVersion) {
  EXPECT_EQ(parseLine({"--help"}).options.command, Command::Help);
  EXPECT_EQ(parseLine({"--version"}).options.command, Command::Version);
  EXPECT_EQ(parseLine({"solve", "--help"}).options.command, Command::Help);
}

}  // namespace
}  // namespace zorvan::cli
