#include <gtest/gtest.h>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"

namespace zorvan {
namespace {

TEST(Template, TheStartTextMakesSixLines) {
  EXPECT_EQ(buildScript(kStartText),
            "Function UserFN(x)\r\n Dim MyFunction \r\nMyFunction = x*x - x*Cos(x) -6\r\n\r\n"
            " UserFN = MyFunction\r\nEnd Function");
}

TEST(Template, EmptyTextAndTextWithoutFinalBreak) {
  EXPECT_EQ(buildScript(""), "Function UserFN(x)\r\n Dim MyFunction \r\n\r\n UserFN = MyFunction\r\nEnd Function");
  EXPECT_EQ(buildScript("MyFunction = 1"),
            "Function UserFN(x)\r\n Dim MyFunction \r\nMyFunction = 1\r\n UserFN = MyFunction\r\nEnd Function");
}

TEST(Fnf, OneRunPerCallWithXByValue) {
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("x = x * 2 : MyFunction = x")));
  const Value x(3.0);
  EXPECT_EQ(FNF(engine, x)->toDouble(), 6);
  EXPECT_EQ(x.toDouble(), 3);
}

TEST(Fnf, EmptyTextGivesEmptyEverywhere) {
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("")));
  for (double x : {-1.0, 0.0, 2.5}) EXPECT_TRUE(FNF(engine, Value(x))->isEmpty());
}

TEST(Fnf, StateOfGlobalsPersistsBetweenCalls) {
  VBScriptEngine engine;
  ASSERT_TRUE(engine.addCode(buildScript("n = n + 1 : UserFN = n\r\nEnd Function\r\nDim n\r\nFunction S()")));
  EXPECT_EQ(FNF(engine, Value(0.0))->toDouble(), 1);
  EXPECT_EQ(FNF(engine, Value(0.0))->toDouble(), 2);
}

TEST(Fnro, RoundsToFiveDecimalsHalvesUp) {
  EXPECT_EQ(FNRO(Value(1.234564)), 1.23456);
  EXPECT_EQ(FNRO(Value(-1.234566)), -1.23457);
  EXPECT_EQ(FNRO(Value(123.456789)), 123.45679);
  EXPECT_EQ(FNRO(Value(-3.999995)), -3.99999);
  EXPECT_EQ(FNRO(Value(0.000005)), 0.00001);
  EXPECT_EQ(FNRO(Value(-0.000005)), 0);
  EXPECT_EQ(FNRO(Value(2.3456789)), 2.34568);
  EXPECT_EQ(FNRO(Value(-2.3456789)), -2.34568);
  EXPECT_EQ(FNRO(Value()), 0);
  EXPECT_EQ(FNRO(Value::string("2.5")), 2.5);
  EXPECT_THROW(FNRO(Value::string("abc")), ScriptError);
}

TEST(ErrorText, NumberAndDescription) {
  EXPECT_EQ(errorText(ScriptError{11, "Division by zero"}), "Error 11 : Division by zero");
  EXPECT_EQ(errorText(ScriptError{-2147467260, "Script timed out"}), "Error -2147467260 : Script timed out");
}

}  // namespace
}  // namespace zorvan
