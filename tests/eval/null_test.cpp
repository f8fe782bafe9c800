// Null: how it passes through arithmetic, comparisons, logic, text and the
// built-in functions, and how the search treats a function that gives it.
#include <gtest/gtest.h>

#include "solver/solve_now.h"
#include "support/fake_services.h"
#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using testing::expr;

TEST(Null, ArithmeticAndComparisonsGiveNull) {
  for (const char* e : {"Null + 1", "1 - Null", "Null * 2", "Null / 2", "Null \\ 2", "Null Mod 2", "Null ^ 2", "-Null",
                        "Null = Null", "Null <> 1", "1 < Null", "\"a\" = Null", "Null + \"a\"", "Abs(Null)", "Int(Null)",
                        "Fix(Null)", "Round(Null)"})
    EXPECT_EQ(expr(e), "Null") << e;
  EXPECT_EQ(expr("TypeName(Null)"), "String Null");
  EXPECT_EQ(expr("VarType(Null)"), "Integer 1");
}

TEST(Null, ConcatenationTakesItAsNoText) {
  EXPECT_EQ(expr("\"a\" & Null"), "String a");
  EXPECT_EQ(expr("Null & 1"), "String 1");
  EXPECT_EQ(expr("Null & Null"), "Null");
}

TEST(Null, LogicFollowsItsThreeValuedTables) {
  EXPECT_EQ(expr("Not Null"), "Null");
  EXPECT_EQ(expr("Null And False"), "Boolean False");
  EXPECT_EQ(expr("Null And True"), "Null");
  EXPECT_EQ(expr("Null Or True"), "Boolean True");
  EXPECT_EQ(expr("Null Or False"), "Null");
  EXPECT_EQ(expr("Null Xor True"), "Null");
  EXPECT_EQ(expr("False Imp Null"), "Boolean True");
  EXPECT_EQ(expr("Null Imp True"), "Boolean True");
  EXPECT_EQ(expr("True Imp Null"), "Null");
}

TEST(Null, ConditionsTakeItAsFalse) {
  EXPECT_EQ(evalAt("If Null Then\r\n MyFunction = 1\r\nElse\r\n MyFunction = 2\r\nEnd If"), "Integer 2");
  EXPECT_EQ(evalAt("If x = Null Then MyFunction = 1 Else MyFunction = 2"), "Integer 2");
  EXPECT_EQ(evalAt("Select Case Null\r\nCase 1\r\n MyFunction = 1\r\nCase Else\r\n MyFunction = 2\r\nEnd Select"),
            "Integer 2");
}

TEST(Null, FunctionsPassItOnOrRefuseIt) {
  // Every function whose reference says a Null argument gives Null.
  for (const char* e : {"Len(Null)", "Left(Null, 1)", "Right(Null, 1)", "Mid(Null, 2)", "UCase(Null)", "LCase(Null)",
                        "Trim(Null)", "LTrim(Null)", "RTrim(Null)", "InStr(\"a\", Null)", "InStr(Null, \"a\")",
                        "InStr(1, Null, \"a\")", "InStrRev(Null, \"a\")", "InStrRev(\"a\", Null)", "StrComp(Null, \"a\")",
                        "StrComp(\"a\", Null)", "Hex(Null)", "Oct(Null)", "String(Null, \"a\")", "String(2, Null)"})
    EXPECT_EQ(expr(e), "Null") << e;
  EXPECT_EQ(expr("IsNull(Null)"), "Boolean True");
  EXPECT_EQ(expr("IsNull(Empty)"), "Boolean False");
  EXPECT_EQ(expr("IsNull(Null + 1)"), "Boolean True");
  EXPECT_EQ(expr("IsEmpty(Null)"), "Boolean False");
  EXPECT_EQ(expr("IsNumeric(Null)"), "Boolean False");
  // And those whose reference says it is an error.
  for (const char* e : {"CDbl(Null)", "CStr(Null)", "CInt(Null)", "Sgn(Null)", "Sqr(Null)", "Space(Null)",
                        "InStr(Null, \"a\", \"b\")", "Left(\"ab\", Null)", "Replace(Null, \"a\", \"b\")",
                        "StrReverse(Null)", "Chr(Null)", "Asc(Null)"})
    EXPECT_EQ(expr(e), "Error 94 : Invalid use of Null") << e;
  EXPECT_EQ(evalAt("MyFunction = Null"), "Null");
  EXPECT_EQ(evalAt("y = Null\r\nMyFunction = y * 2"), "Null");  // a variable holding Null, past any fast path
}

TEST(Nothing, SetIsAndIsObject) {
  EXPECT_EQ(evalAt("Set o = Nothing\r\nMyFunction = o Is Nothing"), "Boolean True");
  EXPECT_EQ(evalAt("Set o = Nothing\r\nMyFunction = IsObject(o) & TypeName(o) & VarType(o)"), "String TrueNothing9");
  EXPECT_EQ(expr("IsObject(1)"), "Boolean False");
  EXPECT_EQ(evalAt("Set o = 5"), "Error 424 : Object required");
  EXPECT_EQ(evalAt("o = Nothing"), "Error 91 : Object variable not set");
  EXPECT_EQ(evalAt("Set o = Nothing\r\np = o"), "Error 91 : Object variable not set");
  EXPECT_EQ(expr("1 Is Nothing"), "Error 424 : Object required");
  EXPECT_EQ(expr("Nothing + 1"), "Error 91 : Object variable not set");
  EXPECT_EQ(expr("Nothing = Nothing"), "Error 91 : Object variable not set");
  EXPECT_EQ(expr("\"a\" & Nothing"), "Error 91 : Object variable not set");
  // The wrapper hands MyFunction back with a plain assignment, as a real engine would.
  EXPECT_EQ(evalAt("Set MyFunction = Nothing"), "Error 91 : Object variable not set");
}

TEST(Null, TheSearchFailsEachStepThatMeetsIt) {
  // Null everywhere: no root, the no-root message each attempt, no crash.
  testing::FakeServices everywhere([](const Value&) { return Value::null(); });
  SolveNow(Value(0.0), Value(1.0), true, everywhere);
  EXPECT_TRUE(everywhere.results.empty());
  EXPECT_EQ(everywhere.messages, std::vector<std::string>(4, "PROBABLY NO REAL ROOTS IN INTERVAL"));
  // Null left of 0 only: the root at 0.5 is still found.
  testing::FakeServices half([](const Value& x) { return x.toDouble() < 0 ? Value::null() : Value(x.toDouble() - 0.5); });
  SolveNow(Value(-1.0), Value(1.0), true, half);
  EXPECT_NE(half.results.find("Solution: X , F(X) = 0.5, 0"), std::string::npos) << half.results;
}

}  // namespace
}  // namespace zorvan
