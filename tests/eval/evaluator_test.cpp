#include <gtest/gtest.h>

#include "eval/user_function.h"
#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using testing::expr;

TEST(Evaluator, TheStartTextAtSomePoints) {
  EXPECT_EQ(evalAt(kStartText, 1), "Double -5.54030230586814");
  EXPECT_EQ(evalAt(kStartText, 0), "Double -6");
  EXPECT_EQ(evalAt(kStartText, -3), "Double 0.0300225101986635");
}

TEST(Evaluator, UnassignedFunctionIsEmpty) {
  EXPECT_EQ(evalAt(""), "Empty");
  EXPECT_EQ(evalAt("y = x"), "Empty");
}

TEST(Evaluator, BlockAndSingleLineIf) {
  const std::string piecewise =
      "If x < 0 Then\r\n  MyFunction = -x*x + 1\r\nElseIf x = 0 Then\r\n  MyFunction = 99\r\n"
      "Else\r\n  MyFunction = Sqr(x) - 1\r\nEnd If";
  EXPECT_EQ(evalAt(piecewise, -2), "Double -3");
  EXPECT_EQ(evalAt(piecewise, 0), "Integer 99");
  EXPECT_EQ(evalAt(piecewise, 4), "Double 1");
  EXPECT_EQ(evalAt("If x > 1 Then MyFunction = 1 Else MyFunction = 2", 5), "Integer 1");
  EXPECT_EQ(evalAt("If x > 1 Then MyFunction = 1 Else MyFunction = 2", 0), "Integer 2");
  EXPECT_EQ(evalAt("If x > 1 Then a = 1 : MyFunction = a + 1", 5), "Integer 2");
  EXPECT_EQ(evalAt("If x > 1 Then If x > 3 Then MyFunction = 3 Else MyFunction = 2", 2), "Integer 2");
  EXPECT_EQ(evalAt("If x Then MyFunction = \"yes\"", 0), "Empty");
  EXPECT_EQ(evalAt("If \"abc\" Then MyFunction = 1"), "Error 13 : Type mismatch");
}

TEST(Evaluator, Loops) {
  EXPECT_EQ(evalAt("For i = 1 To 10 : s = s + i : Next : MyFunction = s"), "Integer 55");
  EXPECT_EQ(evalAt("For i = 10 To 1 Step -2 : s = s & i : Next : MyFunction = s"), "String 108642");
  EXPECT_EQ(evalAt("For i = 1 To 0 : s = 1 : Next : MyFunction = i"), "Integer 1");
  EXPECT_EQ(evalAt("For i = 0 To 1 Step 0.25 : n = n + 1 : Next : MyFunction = n"), "Integer 5");
  EXPECT_EQ(evalAt("For i = 1 To 5 : If i = 3 Then Exit For\r\nNext : MyFunction = i"), "Integer 3");
  EXPECT_EQ(evalAt("Do While n < 5 : n = n + 1 : Loop : MyFunction = n"), "Integer 5");
  EXPECT_EQ(evalAt("Do Until n >= 5 : n = n + 2 : Loop : MyFunction = n"), "Integer 6");
  EXPECT_EQ(evalAt("Do : n = n + 1 : Loop While n < 3 : MyFunction = n"), "Integer 3");
  EXPECT_EQ(evalAt("Do : n = n + 1 : Loop Until True : MyFunction = n"), "Integer 1");
  EXPECT_EQ(evalAt("Do : n = n + 1 : If n = 4 Then Exit Do\r\nLoop : MyFunction = n"), "Integer 4");
  EXPECT_EQ(evalAt("While n < 7 : n = n + 1 : Wend : MyFunction = n"), "Integer 7");
  EXPECT_EQ(evalAt("For i = 1 To 3 : For j = 1 To 3 : If j = 2 Then Exit For\r\n n = n + 1 : Next : Next : MyFunction = n"),
            "Integer 3");
  EXPECT_EQ(evalAt("For i = 1 To 20 : s = s + Sin(i*x)/i : Next : MyFunction = s", 1), "Double 1.07259420727457");
}

TEST(Evaluator, SelectCase) {
  const std::string text =
      "Select Case x\r\nCase 1, 2\r\n MyFunction = \"low\"\r\nCase 3\r\n MyFunction = \"three\"\r\n"
      "Case Else\r\n MyFunction = \"other\"\r\nEnd Select";
  EXPECT_EQ(evalAt(text, 2), "String low");
  EXPECT_EQ(evalAt(text, 3), "String three");
  EXPECT_EQ(evalAt(text, 9), "String other");
  EXPECT_EQ(evalAt("Select Case x\r\nCase 1: MyFunction = 1\r\nEnd Select", 5), "Empty");
}

TEST(Evaluator, HelperProceduresAfterClosingUserFN) {
  const std::string text =
      "UserFN = Twice(x) + Counter()\r\nEnd Function\r\n"
      "Dim calls\r\n"
      "Function Twice(ByVal v)\r\n v = v * 2\r\n Twice = v\r\nEnd Function\r\n"
      "Function Counter()\r\n calls = calls + 1\r\n Counter = calls\r\nEnd Function\r\n"
      "Function Tail()";
  EXPECT_EQ(evalAt(text, 5), "Double 11");
}

TEST(Evaluator, ArgumentsPassByReferenceUnlessByValOrParenthesised) {
  const std::string prefix = "UserFN = Run()\r\nEnd Function\r\n"
                             "Sub Bump(n)\r\n n = n + 1\r\nEnd Sub\r\n"
                             "Sub Keep(ByVal n)\r\n n = n + 1\r\nEnd Sub\r\n"
                             "Function Run()\r\n a = 1\r\n";
  EXPECT_EQ(evalAt(prefix + " Bump a\r\n Run = a\r\nEnd Function\r\nFunction Tail()"), "Integer 2");
  EXPECT_EQ(evalAt(prefix + " Call Bump(a)\r\n Run = a\r\nEnd Function\r\nFunction Tail()"), "Integer 2");
  EXPECT_EQ(evalAt(prefix + " Bump (a)\r\n Run = a\r\nEnd Function\r\nFunction Tail()"), "Integer 1");
  EXPECT_EQ(evalAt(prefix + " Keep a\r\n Run = a\r\nEnd Function\r\nFunction Tail()"), "Integer 1");
  EXPECT_EQ(evalAt(prefix + " Bump a + 0\r\n Run = a\r\nEnd Function\r\nFunction Tail()"), "Integer 1");
}

TEST(Evaluator, FunctionsRecurseAndExitEarly) {
  const std::string text =
      "UserFN = Fact(x)\r\nEnd Function\r\n"
      "Function Fact(n)\r\n If n <= 1 Then\r\n  Fact = 1\r\n  Exit Function\r\n End If\r\n"
      " Fact = n * Fact(n - 1)\r\nEnd Function\r\nFunction Tail()";
  EXPECT_EQ(evalAt(text, 10), "Double 3628800");
  EXPECT_EQ(evalAt("UserFN = 1\r\nEnd Function\r\nFunction UserFN2(a, b)\r\nEnd Function\r\nFunction S()", 0),
            "Integer 1");
}

TEST(Evaluator, ParameterXIsPassedByValue) {
  EXPECT_EQ(evalAt("x = x + 1 : MyFunction = x", 1), "Double 2");
}

TEST(Evaluator, GlobalCodeRunsWhenAdded) {
  const std::string text = "UserFN = k * x\r\nEnd Function\r\nk = 3\r\nFunction Dummy()";
  EXPECT_EQ(evalAt(text, 2), "Double 6");
}

// The first statement of the code added requires every variable to be declared.
TEST(Evaluator, OptionExplicitRequiresDeclarations) {
  const auto run = [](const char* code) {
    VBScriptEngine engine;
    if (!engine.addCode(code)) return errorText(engine.lastError());
    const std::optional<Value> v = engine.run("F", {});
    return v ? v->toText() : errorText(engine.lastError());
  };
  EXPECT_EQ(run("' a comment first\r\n\r\nOption Explicit\r\nFunction F()\r\nF = y\r\nEnd Function"),
            "Error 500 : Variable is undefined: 'y'");
  EXPECT_EQ(run("Option Explicit\r\nFunction F()\r\nDim y : y = 2 : F = y\r\nEnd Function"), "2");
  EXPECT_EQ(run("Function F()\r\nF = y\r\nEnd Function"), "");
}

// Anywhere else it is refused as VBScript refuses it, and the user's text
// always follows the wrapper's first lines: there it never compiles.
TEST(Evaluator, OptionExplicitAfterOtherStatementsIsRefused) {
  EXPECT_EQ(evalAt("Option Explicit\r\nMyFunction = 1"), "Error 1024 : Expected statement");
  EXPECT_EQ(evalAt("UserFN = 1\r\nEnd Function\r\nOption Explicit\r\nFunction D()"), "Error 1024 : Expected statement");
  VBScriptEngine engine;
  EXPECT_FALSE(engine.addCode("Dim a\r\nOption Explicit"));
  EXPECT_EQ(engine.lastError().number, 1024);
}

TEST(Evaluator, ConstantsAndBuiltInConstants) {
  EXPECT_EQ(evalAt("Const k = -2.5\r\nMyFunction = k * 2"), "Double -5");
  EXPECT_EQ(evalAt("Const k = 1\r\nk = 2"), "Error 501 : Illegal assignment: 'k'");
  EXPECT_EQ(evalAt("MyFunction = Len(vbCrLf) & vbDouble"), "String 25");
}

TEST(Evaluator, RunTimeErrors) {
  EXPECT_EQ(evalAt("MyFunction = 1 / x", 0), "Error 11 : Division by zero");
  EXPECT_EQ(evalAt("MyFunction = Log(x)", 0), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("MyFunction = Sqr(x)", -1), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("MyFunction = Exp(x)", 1000), "Error 6 : Overflow");
  EXPECT_EQ(evalAt("MyFunction = \"a\" * x", 1), "Error 13 : Type mismatch");
  EXPECT_EQ(evalAt("MyFunction = Foo(x)", 1), "Error 13 : Type mismatch: 'Foo'");
  EXPECT_EQ(evalAt("MyFunction = CInt(x)", 40000), "Error 6 : Overflow");
  EXPECT_EQ(evalAt("MyFunction = g(1)\r\nEnd Function\r\nFunction g(a, b)\r\nEnd Function\r\nFunction S()"),
            "Error 450 : Wrong number of arguments or invalid property assignment: 'g'");
  EXPECT_EQ(evalAt("y = 1 : MyFunction = y(2)"), "Error 13 : Type mismatch: 'y'");
}

}  // namespace
}  // namespace zorvan

namespace zorvan {
namespace {

using testing::evalAt;

// Functions that run wholly on numbers take the fast path; whatever leaves
// it must give exactly what the full interpreter gives.
TEST(NumericFastPath, GivesTheFullInterpretersKindsAndErrors) {
  EXPECT_EQ(evalAt("If x > 0 Then MyFunction = Sqr(x) Else MyFunction = Sqr(-x) * -1", -4), "Double -2");
  EXPECT_EQ(evalAt("If x > 0 Then MyFunction = Sqr(x - 10)", 4), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(evalAt("If x > 0 Then MyFunction = x", -1), "Empty");
  EXPECT_EQ(evalAt("MyFunction = 1 / (x - 2)", 2), "Error 11 : Division by zero");
  EXPECT_EQ(evalAt("MyFunction = (x - 2) / (x - 2)", 2), "Error 6 : Overflow");
  EXPECT_EQ(evalAt("MyFunction = x * 1E308 * 10", 1), "Error 6 : Overflow");
  EXPECT_EQ(evalAt("y = 3 : MyFunction = y", 1), "Integer 3");
  EXPECT_EQ(evalAt("MyFunction = Int(x)", 2.5), "Double 2");
  EXPECT_EQ(evalAt("MyFunction = Abs(-3)", 0), "Integer 3");
  EXPECT_EQ(evalAt("MyFunction = x", 0), "Double 0");
  EXPECT_EQ(evalAt("MyFunction = -x", 0), "Double 0");
  EXPECT_EQ(evalAt("If x Then MyFunction = 1.5", 2), "Double 1.5");
}

TEST(NumericFastPath, LoopsCountAndExitAsTheFullInterpreterDoes) {
  EXPECT_EQ(evalAt("s = 0\r\nFor i = 1 To 20\r\n s = s + Sin(i*x)/i\r\nNext\r\nMyFunction = s", 1), "Double 1.07259420727457");
  EXPECT_EQ(evalAt("For i = 1 To 10 : If i > 3.5 Then Exit For\r\nNext : MyFunction = i * x", 1), "Double 4");
  EXPECT_EQ(evalAt("For i = 10 To 1 Step -3 : s = s + i * x : Next : MyFunction = s", 1), "Double 22");
  EXPECT_EQ(evalAt("For i = 0 To 1 Step 0.5 : s = s + x : Next : MyFunction = s", 1), "Double 3");
  EXPECT_EQ(evalAt("Do Until y > 5 * x : y = y + x : Loop : MyFunction = y", 1), "Double 6");
  EXPECT_EQ(evalAt("Do : y = y + x : If y >= 3 Then Exit Do\r\nLoop : MyFunction = y", 1.5), "Double 3");
  EXPECT_EQ(evalAt("While y < x : y = y + 0.25 : Wend : MyFunction = y", 1), "Double 1");
  EXPECT_EQ(evalAt("For i = 1 To 3 : For j = 1 To 3 : s = s + x : Next : Next : MyFunction = s", 1), "Double 9");
  EXPECT_EQ(evalAt("For i = 1 To 3 : Next : MyFunction = i", 1), "Integer 4");
  EXPECT_EQ(evalAt("For i = 1 To 3 : i = i + x : Next : MyFunction = i", 1), "Double 5");
}

TEST(NumericFastPath, GlobalsAndConstantsAreRead) {
  EXPECT_EQ(evalAt("Const k = 2.5\r\nMyFunction = k * x", 2), "Double 5");
  EXPECT_EQ(evalAt("UserFN = g * x\r\nEnd Function\r\ng = 1.5\r\nFunction T()", 2), "Double 3");
}

}  // namespace
}  // namespace zorvan
