#include <gtest/gtest.h>

#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using testing::expr;

TEST(Literals, AreTypedAsVBScriptTypesThem) {
  EXPECT_EQ(expr("32767"), "Integer 32767");
  EXPECT_EQ(expr("32768"), "Long 32768");
  EXPECT_EQ(expr("2147483648"), "Double 2147483648");
  EXPECT_EQ(expr("1.5"), "Double 1.5");
  EXPECT_EQ(expr("1e3"), "Double 1000");
  EXPECT_EQ(expr(".5"), "Double 0.5");
  EXPECT_EQ(expr("&HFF"), "Integer 255");
  EXPECT_EQ(expr("&HFFFF"), "Integer -1");
  EXPECT_EQ(expr("&H10000"), "Long 65536");
  EXPECT_EQ(expr("&HFFFFFFFF"), "Long -1");
  EXPECT_EQ(expr("&O17"), "Integer 15");
  EXPECT_EQ(expr("&17"), "Integer 15");
  EXPECT_EQ(expr("\"say \"\"hi\"\"\""), "String say \"hi\"");
  EXPECT_EQ(expr("True"), "Boolean True");
  EXPECT_EQ(evalAt("MyFunction = Empty"), "Empty");
}

TEST(Precedence, FollowsVBScript) {
  EXPECT_EQ(expr("-2 ^ 2"), "Double -4");
  EXPECT_EQ(expr("2 ^ -1"), "Double 0.5");
  EXPECT_EQ(expr("2 ^ 3 ^ 2"), "Double 64");
  EXPECT_EQ(expr("2 + 3 * 4"), "Integer 14");
  EXPECT_EQ(expr("7 \\ 2 * 2"), "Integer 1");  // * binds tighter than \ .
  EXPECT_EQ(expr("10 Mod 4 \\ 2"), "Integer 0");  // \ binds tighter than Mod
  EXPECT_EQ(expr("1 + 2 & 3"), "String 33");
  EXPECT_EQ(expr("1 < 2 = True"), "Boolean True");
  EXPECT_EQ(expr("Not 1 = 2"), "Boolean True");
  EXPECT_EQ(expr("True Or False And False"), "Boolean True");
  EXPECT_EQ(expr("5 - -3"), "Integer 8");
  EXPECT_EQ(expr("- - 3"), "Integer 3");
  EXPECT_EQ(expr("2 * -3"), "Integer -6");
  EXPECT_EQ(expr("10 - 2 - 3"), "Integer 5");
  EXPECT_EQ(expr("64 / 4 / 2"), "Double 8");
  EXPECT_EQ(expr("1 Imp 0 Eqv 2 Xor 3"), "Integer -2");
}

TEST(Lexing, CaseCommentsContinuationsAndLineBreaks) {
  EXPECT_EQ(evalAt("myfunction = X * 2 ' comment", 3), "Double 6");
  EXPECT_EQ(evalAt("Rem first\r\nMyFunction = 1 : Rem second"), "Integer 1");
  EXPECT_EQ(evalAt("MyFunction = 1 + _\r\n  2"), "Integer 3");
  EXPECT_EQ(evalAt("a = 1\nb = 2\rMyFunction = a + b"), "Integer 3");
  EXPECT_EQ(evalAt("a = 1 : b = 2 : MyFunction = a + b"), "Integer 3");
  EXPECT_EQ(evalAt("\tMyFunction = 4"), "Integer 4");
  EXPECT_EQ(evalAt("MyFunction = 1e"), "Error 1025 : Expected end of statement");
}

TEST(CompileErrors, CarryVBScriptsNumbers) {
  EXPECT_EQ(evalAt("MyFunction = (1"), "Error 1006 : Expected ')'");
  EXPECT_EQ(evalAt("MyFunction = "), "Error 1023 : Expected expression");
  EXPECT_EQ(evalAt("MyFunction = 1 +"), "Error 1023 : Expected expression");
  EXPECT_EQ(evalAt("MyFunction = 2x"), "Error 1025 : Expected end of statement");
  EXPECT_EQ(evalAt("MyFunction = \"abc"), "Error 1033 : Unterminated string constant");
  EXPECT_EQ(evalAt("MyFunction = 1 $ 2"), "Error 1032 : Invalid character");
  EXPECT_EQ(evalAt("Dim"), "Error 1010 : Expected identifier");
  EXPECT_EQ(evalAt("Dim MyFunction"), "Error 1041 : Name redefined");
  EXPECT_EQ(evalAt("Dim a, a"), "Error 1041 : Name redefined");
  EXPECT_EQ(evalAt("If x Then\r\nMyFunction = 1"), "Error 1012 : Expected 'If'");
  EXPECT_EQ(evalAt("If x\r\nMyFunction = 1\r\nEnd If"), "Error 1017 : Expected 'Then'");
  EXPECT_EQ(evalAt("For i = 1\r\nNext"), "Error 1013 : Expected 'To'");
  EXPECT_EQ(evalAt("For i 1 To 2\r\nNext"), "Error 1011 : Expected '='");
  EXPECT_EQ(evalAt("For i = 1 To 2\r\nMyFunction = i"), "Error 1020 : Expected 'Next'");
  EXPECT_EQ(evalAt("Do\r\nMyFunction = 1"), "Error 1019 : Expected 'Loop'");
  EXPECT_EQ(evalAt("While x\r\nMyFunction = 1"), "Error 1018 : Expected 'Wend'");
  EXPECT_EQ(evalAt("Next"), "Error 1055 : Unexpected 'Next'");
  EXPECT_EQ(evalAt("Loop"), "Error 1038 : 'loop' without 'do'");
  EXPECT_EQ(evalAt("Exit For"), "Error 1039 : Invalid 'exit' statement");
  EXPECT_EQ(evalAt("Exit Sub"), "Error 1039 : Invalid 'exit' statement");
  EXPECT_EQ(evalAt("Select x\r\nEnd Select"), "Error 1021 : Expected 'Case'");
  EXPECT_EQ(evalAt("Select Case x\r\nCase 1\r\nEnd Function"), "Error 1022 : Expected 'Select'");
  EXPECT_EQ(evalAt("Const c = x"), "Error 1045 : Expected literal constant");
  EXPECT_EQ(evalAt("Const c 1"), "Error 1011 : Expected '='");
  EXPECT_EQ(evalAt("Do x\r\nLoop"), "Error 1028 : Expected 'While', 'Until' or end of statement");
  EXPECT_EQ(evalAt("Function g()\r\nEnd Function"), "Error 1002 : Syntax error");
  EXPECT_EQ(evalAt("MyFunction = Abs(1, 2)"), "Error 450 : Wrong number of arguments or invalid property assignment: 'Abs'");
  EXPECT_EQ(evalAt("Call g(1, 2)\r\nEnd Function\r\nSub g(a, b)\r\nEnd Sub\r\nFunction h()"), "Empty");
  EXPECT_EQ(evalAt("g(1, 2)\r\nEnd Function\r\nSub g(a, b)\r\nEnd Sub\r\nFunction h()"),
            "Error 1044 : Cannot use parentheses when calling a Sub");
  EXPECT_EQ(evalAt("MyFunction = 1\r\nEnd Function\r\nEnd Function"), "Error 1024 : Expected statement");
  EXPECT_EQ(evalAt("MyFunction = 1 2"), "Error 1025 : Expected end of statement");
  EXPECT_EQ(evalAt(std::string(256, 'a') + " = 1"), "Error 1030 : Identifier too long");
}

TEST(CompileErrors, TheFirstErrorInTheTextIsReported) {
  EXPECT_EQ(evalAt("MyFunction = (1\r\nMyFunction = \"x"), "Error 1006 : Expected ')'");
}

}  // namespace
}  // namespace zorvan
