// The numeric fast paths against the general paths alone: generated
// functions of every kind of operand must give identical outcomes, value
// bits and error texts included.
#include <gtest/gtest.h>

#include <string>

#include "support/outcome.h"
#include "support/random_function.h"

namespace zorvan::testing {
namespace {

// Random user functions over x: numbers of each kind, texts, Empty, Null
// and Booleans, through the operators, math functions, If, Select, For and Do.
class FunctionGenerator : public RandomFunction {
 public:
  explicit FunctionGenerator(unsigned seed) : RandomFunction(seed) {}

 private:
  std::string leaf() {
    static const char* const kLeaves[] = {"x", "x", "x", "a", "b", "1", "2", "0", "-3", "0.5", "2.5", "40000",
                                          "32767", "1E200", "1E-300", "\"7\"", "\"abc\"", "True", "Empty",
                                          "Null", "CLng(5)", "CInt(-2)", "CSng(1.5)", "CDbl(3)"};
    return oneOf(kLeaves);
  }

  std::string expression(int depth) override {
    if (depth == 0 || pick(0, 3) == 0) return leaf();
    switch (pick(0, 4)) {
      case 0: {
        static const char* const kFunctions[] = {"Sin", "Cos", "Sqr", "Abs", "Int", "Fix", "Log", "Exp", "Atn",
                                                 "Tan", "Sgn", "Round", "CStr", "Len"};
        return std::string(oneOf(kFunctions)) + "(" + expression(depth - 1) + ")";
      }
      case 1:
        return "-" + expression(depth - 1);
      case 2:
        return "(" + expression(depth - 1) + ")";
      default: {
        static const char* const kOperators[] = {" + ", " - ", " * ", " / ", " \\ ", " Mod ", " ^ ", " & ",
                                                 " < ", " <= ", " = ", " <> ", " > ", " And ", " Or "};
        return expression(depth - 1) + oneOf(kOperators) + expression(depth - 1);
      }
    }
  }

  std::string statement(int depth) override {
    static const char* const kTargets[] = {"a", "b", "MyFunction"};
    switch (depth == 0 ? 0 : pick(0, 5)) {
      case 1:
        return "If " + expression(2) + " Then\r\n" + statement(depth - 1) + "Else\r\n" + statement(depth - 1) +
               "End If\r\n";
      case 2:
        return "For i" + std::to_string(depth) + " = " + std::to_string(pick(-2, 2)) + " To " + std::to_string(pick(-2, 6)) + "\r\n" +
               statement(depth - 1) + "Next\r\n";
      case 3: {
        const std::string n = "n" + std::to_string(depth);  // a counter of its own at each depth
        return n + " = 0\r\nDo While " + n + " < " + std::to_string(pick(0, 4)) + "\r\n" + n + " = " + n +
               " + 1\r\n" + statement(depth - 1) + "Loop\r\n";
      }
      case 4:
        return "Select Case " + expression(2) + "\r\nCase " + leaf() + ", " + leaf() + "\r\n" + statement(depth - 1) +
               "Case Else\r\n" + statement(depth - 1) + "End Select\r\n";
      default:
        return std::string(oneOf(kTargets)) + " = " + expression(3) + "\r\n";
    }
  }
};

TEST(FastPaths, GeneratedFunctionsGiveIdenticalOutcomesBothWays) {
  FunctionGenerator gen(20261208);
  int compared = 0;
  for (int i = 0; i < 1500; ++i) {
    const std::string text = gen.function();
    for (double x : {0.0, 1.0, -2.5, 3.0, 1e300, -1e-310}) {
      ASSERT_EQ(exactOutcome(text, x, true), exactOutcome(text, x, false))
          << text << "at x = " << x << listingOf(text) << listingOf(text, false);
      ++compared;
    }
  }
  EXPECT_EQ(compared, 9000);
}

TEST(FastPaths, UnderResumeNextBothWaysNoteTheSameErrors) {
  FunctionGenerator gen(7);
  for (int i = 0; i < 300; ++i) {
    const std::string text = "On Error Resume Next\r\n" + gen.function() +
                             "MyFunction = MyFunction & \"|\" & Err.Number & \" \" & Err.Description\r\n";
    for (double x : {0.0, 2.0, -1e308})
      ASSERT_EQ(exactOutcome(text, x, true), exactOutcome(text, x, false)) << text << listingOf(text);
  }
}

}  // namespace
}  // namespace zorvan::testing
