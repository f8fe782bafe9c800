#include <gtest/gtest.h>

#include "support/script.h"

namespace zorvan {
namespace {

using testing::evalAt;
using testing::expr;

TEST(MathFunctions, ValuesAndKinds) {
  EXPECT_EQ(expr("Abs(-2.5)"), "Double 2.5");
  EXPECT_EQ(expr("Abs(-3)"), "Integer 3");
  EXPECT_EQ(expr("Atn(1) * 4"), "Double 3.14159265358979");
  EXPECT_EQ(expr("Cos(0)"), "Double 1");
  EXPECT_EQ(expr("Exp(1)"), "Double 2.71828182845905");
  EXPECT_EQ(expr("Fix(-2.7)"), "Double -2");
  EXPECT_EQ(expr("Int(-2.7)"), "Double -3");
  EXPECT_EQ(expr("Int(7)"), "Integer 7");
  EXPECT_EQ(expr("Log(Exp(2))"), "Double 2");
  EXPECT_EQ(expr("Sgn(-0.5)"), "Integer -1");
  EXPECT_EQ(expr("Sin(0)"), "Double 0");
  EXPECT_EQ(expr("Sqr(16)"), "Double 4");
  EXPECT_EQ(expr("Tan(0)"), "Double 0");
  EXPECT_EQ(expr("Sin(Empty)"), "Double 0");
  EXPECT_EQ(expr("Sqr(\"9\")"), "Double 3");
}

TEST(MathFunctions, RoundUsesBankersRounding) {
  EXPECT_EQ(expr("Round(2.5)"), "Double 2");
  EXPECT_EQ(expr("Round(3.5)"), "Double 4");
  EXPECT_EQ(expr("Round(-2.5)"), "Double -2");
  EXPECT_EQ(expr("Round(1.2345, 2)"), "Double 1.23");
  EXPECT_EQ(expr("Round(0.125, 2)"), "Double 0.12");
  EXPECT_EQ(expr("Round(7)"), "Integer 7");
  EXPECT_EQ(expr("Round(1.5, -1)"), "Error 5 : Invalid procedure call or argument");
}

TEST(MathFunctions, DomainErrors) {
  EXPECT_EQ(expr("Log(0)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Log(-1)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Sqr(-0.01)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Exp(710)"), "Error 6 : Overflow");
  EXPECT_EQ(expr("Sin(\"abc\")"), "Error 13 : Type mismatch");
}

TEST(Conversions, AsVBScriptConverts) {
  EXPECT_EQ(expr("CBool(2)"), "Boolean True");
  EXPECT_EQ(expr("CBool(\"False\")"), "Boolean False");
  EXPECT_EQ(expr("CDbl(\"1.5\")"), "Double 1.5");
  EXPECT_EQ(expr("CInt(2.5)"), "Integer 2");
  EXPECT_EQ(expr("CInt(3.5)"), "Integer 4");
  EXPECT_EQ(expr("CLng(-2.5)"), "Long -2");
  EXPECT_EQ(expr("CSng(0.1)"), "Single 0.1");
  EXPECT_EQ(expr("CStr(1/3)"), "String 0.333333333333333");
  EXPECT_EQ(expr("CStr(True)"), "String True");
  EXPECT_EQ(expr("Hex(255)"), "String FF");
  EXPECT_EQ(expr("Hex(-1)"), "String FFFF");
  EXPECT_EQ(expr("Hex(-1.0)"), "String FFFFFFFF");
  EXPECT_EQ(expr("Oct(8)"), "String 10");
  EXPECT_EQ(expr("CInt(\"x\")"), "Error 13 : Type mismatch");
}

TEST(Inspection, TypesAndEmptiness) {
  EXPECT_EQ(expr("IsEmpty(y)"), "Boolean True");
  EXPECT_EQ(expr("IsEmpty(0)"), "Boolean False");
  EXPECT_EQ(expr("IsNumeric(\"1e3\")"), "Boolean True");
  EXPECT_EQ(expr("IsNumeric(\"abc\")"), "Boolean False");
  EXPECT_EQ(expr("IsNumeric(y)"), "Boolean True");
  EXPECT_EQ(expr("IsNumeric(Array(1))"), "Boolean False");
  EXPECT_EQ(expr("IsNumeric(Nothing)"), "Boolean False");
  EXPECT_EQ(expr("TypeName(x)"), "String Double");
  EXPECT_EQ(expr("TypeName(y)"), "String Empty");
  EXPECT_EQ(expr("TypeName(1 = 1)"), "String Boolean");
  EXPECT_EQ(expr("VarType(\"s\")"), "Integer 8");
  EXPECT_EQ(expr("VarType(40000)"), "Integer 3");
}

TEST(StringFunctions, CommonOnes) {
  EXPECT_EQ(expr("Len(\"abc\")"), "Long 3");
  EXPECT_EQ(expr("Len(123)"), "Long 3");
  EXPECT_EQ(expr("Left(\"abcdef\", 2) & Right(\"abcdef\", 2) & Mid(\"abcdef\", 3, 2)"), "String abefcd");
  EXPECT_EQ(expr("UCase(\"aB\") & LCase(\"aB\")"), "String ABab");
  EXPECT_EQ(expr("\"[\" & Trim(\"  a  \") & \"]\""), "String [a]");
  EXPECT_EQ(expr("InStr(\"hello\", \"l\")"), "Long 3");
  EXPECT_EQ(expr("InStr(4, \"hello\", \"l\")"), "Long 4");
  EXPECT_EQ(expr("Chr(65) & Asc(\"a\")"), "String A97");
  EXPECT_EQ(expr("Len(Space(5)) & String(3, \"z\")"), "String 5zzz");
  EXPECT_EQ(expr("StrReverse(\"abc\")"), "String cba");
  EXPECT_EQ(expr("Mid(\"abc\", 0)"), "Error 5 : Invalid procedure call or argument");
}

TEST(StringFunctions, InStrFindsNothingInAnEmptyStringOrPastItsEnd) {
  EXPECT_EQ(expr("InStr(\"\", \"\")"), "Long 0");
  EXPECT_EQ(expr("InStr(1, \"\", \"\")"), "Long 0");
  EXPECT_EQ(expr("InStr(\"\", \"a\")"), "Long 0");
  EXPECT_EQ(expr("InStr(\"abc\", \"\")"), "Long 1");
  EXPECT_EQ(expr("InStr(3, \"abc\", \"\")"), "Long 3");
  EXPECT_EQ(expr("InStr(4, \"abc\", \"\")"), "Long 0");
  EXPECT_EQ(expr("InStr(4, \"abc\", \"c\")"), "Long 0");
}

TEST(StringFunctions, SearchingWithStartAndCompare) {
  EXPECT_EQ(expr("InStr(1, \"aXbx\", \"x\", 1)"), "Long 2");
  EXPECT_EQ(expr("InStr(1, \"aXbx\", \"x\", 0)"), "Long 4");
  EXPECT_EQ(expr("InStr(1, \"abc\", \"b\", 2)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("InStrRev(\"abcabc\", \"bc\")"), "Long 5");
  EXPECT_EQ(expr("InStrRev(\"abcabc\", \"bc\", 4)"), "Long 2");
  EXPECT_EQ(expr("InStrRev(\"abcabc\", \"BC\", -1, 1)"), "Long 5");
  EXPECT_EQ(expr("InStrRev(\"abc\", \"\", 2)"), "Long 2");
  EXPECT_EQ(expr("InStrRev(\"abc\", \"c\", 4)"), "Long 0");
  EXPECT_EQ(expr("InStrRev(\"\", \"\")"), "Long 0");
  EXPECT_EQ(expr("InStrRev(\"abc\", \"c\", 0)"), "Error 5 : Invalid procedure call or argument");
}

TEST(StringFunctions, ReplaceBeginsItsResultAtStart) {
  EXPECT_EQ(expr("Replace(\"a-b-c\", \"-\", \"+\")"), "String a+b+c");
  EXPECT_EQ(expr("Replace(\"a-b-c\", \"-\", \"\")"), "String abc");
  EXPECT_EQ(expr("Replace(\"a-b-c\", \"-\", \"+\", 1, 1)"), "String a+b-c");
  EXPECT_EQ(expr("Replace(\"a-b-c\", \"-\", \"+\", 3)"), "String b+c");
  EXPECT_EQ(expr("Replace(\"aXax\", \"x\", \"y\", 1, -1, 1)"), "String ayay");
  EXPECT_EQ(expr("Replace(\"aXax\", \"x\", \"y\")"), "String aXay");
  EXPECT_EQ(expr("Replace(\"abc\", \"\", \"y\")"), "String abc");
  EXPECT_EQ(expr("Replace(\"abc\", \"b\", \"y\", 4)"), "String ");
  EXPECT_EQ(expr("Replace(\"abc\", \"b\", \"y\", 2, 0)"), "String bc");
  EXPECT_EQ(expr("Replace(\"abc\", \"b\", \"y\", 0)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Replace(\"abc\", \"b\", \"y\", 1, -2)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("Replace(1.5, \".\", \",\")"), "String 1,5");
}

TEST(StringFunctions, StrCompOrdersBinaryOrText) {
  EXPECT_EQ(expr("StrComp(\"a\", \"b\")"), "Integer -1");
  EXPECT_EQ(expr("StrComp(\"b\", \"a\")"), "Integer 1");
  EXPECT_EQ(expr("StrComp(\"a\", \"A\")"), "Integer 1");
  EXPECT_EQ(expr("StrComp(\"a\", \"A\", 1)"), "Integer 0");
  EXPECT_EQ(expr("StrComp(\"ab\", \"abc\")"), "Integer -1");
  EXPECT_EQ(expr("StrComp(\"\", \"\")"), "Integer 0");
  EXPECT_EQ(expr("StrComp(Chr(200), \"a\")"), "Integer 1");
}

// Rnd runs VBScript's own sequence: the same numbers as a real engine gives.
TEST(RandomNumbers, RndFollowsVBScriptsSequenceAndArguments) {
  EXPECT_EQ(expr("Rnd(-1)"), "Single 0.224007");
  EXPECT_EQ(evalAt("r = Rnd(-1)\r\nMyFunction = Rnd"), "Single 0.03584582");
  EXPECT_EQ(evalAt("r = Rnd(-1)\r\nr = Rnd(5)\r\nMyFunction = Rnd(0) = r"), "Boolean True");
  EXPECT_EQ(evalAt("r = Rnd(-2.5)\r\nMyFunction = (Rnd(-2.5) = r)"), "Boolean True");
  EXPECT_EQ(evalAt("Randomize 42\r\na = Rnd\r\nr = Rnd(-1)\r\nRandomize 42\r\nMyFunction = (Rnd = a)"), "Boolean False");
  EXPECT_EQ(evalAt("r = Rnd(-1)\r\nRandomize 42\r\na = Rnd\r\nr = Rnd(-1)\r\nRandomize 42\r\nMyFunction = (Rnd = a)"),
            "Boolean True");
  EXPECT_EQ(evalAt("Randomize\r\nr = Rnd\r\nMyFunction = (r >= 0 And r < 1)"), "Boolean True");
  EXPECT_EQ(expr("Rnd(\"a\")"), "Error 13 : Type mismatch");
  EXPECT_EQ(evalAt("t = Timer\r\nMyFunction = (t >= 0 And t < 86400)"), "Boolean True");
}

TEST(FormatNumber, DecimalsGroupingAndSigns) {
  struct Case {
    const char* call;
    const char* text;
  };
  for (const Case c : {Case{"FormatNumber(1234567.891)", "1,234,567.89"}, Case{"FormatNumber(1.005, 2)", "1.01"},
                       Case{"FormatNumber(2.5, 0)", "3"}, Case{"FormatNumber(0.5, 0)", "1"},
                       Case{"FormatNumber(-0.5, 2, 0)", "-.50"}, Case{"FormatNumber(-1234.5, 1, -1, -1, 0)", "(1234.5)"},
                       Case{"FormatNumber(-0.001, 2)", "0.00"}, Case{"FormatNumber(999.995, 2)", "1,000.00"},
                       Case{"FormatNumber(1E20, 0)", "100,000,000,000,000,000,000"},
                       Case{"FormatNumber(1.23456789E-5, 8)", "0.00001235"}, Case{"FormatNumber(Empty)", "0.00"},
                       Case{"FormatNumber(True)", "-1.00"}, Case{"FormatNumber(\"12.5\", 3)", "12.500"},
                       Case{"FormatNumber(123, 0)", "123"}, Case{"FormatNumber(-2.5, 0, -2, -2, -2)", "-3"}})
    EXPECT_EQ(expr(c.call), std::string("String ") + c.text) << c.call;
  EXPECT_EQ(expr("FormatNumber(1, -2)"), "Error 5 : Invalid procedure call or argument");
  EXPECT_EQ(expr("FormatNumber(\"abc\")"), "Error 13 : Type mismatch");
}

TEST(Sandbox, NoObjectCanBeCreatedOrReached) {
  EXPECT_EQ(expr("CreateObject(\"Scripting.FileSystemObject\")"),
            "Error 429 : ActiveX component can't create object: 'Scripting.FileSystemObject'");
  EXPECT_EQ(expr("CreateObject(\"WScript.Shell\", \"server\")"),
            "Error 429 : ActiveX component can't create object: 'WScript.Shell'");
  EXPECT_EQ(expr("GetObject(\"\", \"Excel.Application\")"), "Error 429 : ActiveX component can't create object: 'Excel.Application'");
  EXPECT_EQ(expr("GetObject()"), "Error 429 : ActiveX component can't create object");
}

// Results take the operands' class and widen only on overflow; they never
// narrow to fit.
TEST(TypeRules, ArithmeticKeepsTheOperandsClass) {
  EXPECT_EQ(expr("1 - Len(\"a\")"), "Long 0");
  EXPECT_EQ(expr("CLng(1) + Empty"), "Long 1");
  EXPECT_EQ(expr("Empty + CLng(1)"), "Long 1");
  EXPECT_EQ(expr("CLng(5) + 0"), "Long 5");
  EXPECT_EQ(expr("70000 - 40000"), "Long 30000");
  EXPECT_EQ(expr("CLng(3) * 2"), "Long 6");
  EXPECT_EQ(expr("2 * 3"), "Integer 6");
  EXPECT_EQ(expr("True + True"), "Integer -2");
  EXPECT_EQ(expr("Empty + 1"), "Integer 1");
  EXPECT_EQ(expr("32767 + 1"), "Long 32768");
  EXPECT_EQ(expr("2147483647 + 1"), "Double 2147483648");
  EXPECT_EQ(expr("CLng(7) \\ 2"), "Long 3");
  EXPECT_EQ(expr("CLng(7) Mod 2"), "Long 1");
  EXPECT_EQ(expr("InStr(\"abc\", \"c\") - 3"), "Long 0");
}

TEST(TypeRules, NumericStrings) {
  EXPECT_EQ(expr("1 \\ \"True\""), "Error 13 : Type mismatch");
  EXPECT_EQ(expr("7 Mod \"False\""), "Error 13 : Type mismatch");
  EXPECT_EQ(expr("\"True\" + 1"), "Error 13 : Type mismatch");
  EXPECT_EQ(expr("\"True\" And 1"), "Integer 1");
  EXPECT_EQ(expr("CDbl(\"3-\")"), "Double -3");
  EXPECT_EQ(expr("CDbl(\"3+\")"), "Double 3");
  EXPECT_EQ(expr("CDbl(\"(2.5)\")"), "Double -2.5");
  EXPECT_EQ(expr("CDbl(\" - 4 \")"), "Double -4");
  EXPECT_EQ(expr("\"1,000.5\" * 2"), "Double 2001");
  EXPECT_EQ(expr("CDbl(\"-3-\")"), "Error 13 : Type mismatch");
  EXPECT_EQ(expr("CDbl(\"(-3)\")"), "Error 13 : Type mismatch");
  EXPECT_EQ(expr("CDbl(\"3 4\")"), "Error 13 : Type mismatch");
}

}  // namespace
}  // namespace zorvan
