#include <gtest/gtest.h>

#include "common/value.h"

namespace zorvan {
namespace {

TEST(ValueText, DoublesUseFifteenSignificantDigits) {
  EXPECT_EQ(formatDouble(0.1 + 0.2), "0.3");
  EXPECT_EQ(formatDouble(1e-05), "1E-05");
  EXPECT_EQ(formatDouble(0.0001), "0.0001");
  EXPECT_EQ(formatDouble(1234567890123456.0), "1.23456789012346E+15");
  EXPECT_EQ(formatDouble(123456789012345.0), "123456789012345");
  EXPECT_EQ(formatDouble(1e15), "1E+15");
  EXPECT_EQ(formatDouble(2.5), "2.5");
  EXPECT_EQ(formatDouble(-2.18003), "-2.18003");
  EXPECT_EQ(formatDouble(-0.0), "0");
  EXPECT_EQ(formatDouble(0.0), "0");
  EXPECT_EQ(formatDouble(1e300), "1E+300");
  EXPECT_EQ(formatDouble(8.88178419700125e-16), "8.88178419700125E-16");
}

TEST(ValueText, EachKindHasItsForm) {
  EXPECT_EQ(Value().toText(), "");
  EXPECT_EQ(Value::boolean(true).toText(), "True");
  EXPECT_EQ(Value::boolean(false).toText(), "False");
  EXPECT_EQ(Value::integer(-5).toText(), "-5");
  EXPECT_EQ(Value::longInt(100000).toText(), "100000");
  EXPECT_EQ(Value::single(0.1f).toText(), "0.1");
  EXPECT_EQ(Value::single(1.0f / 3).toText(), "0.3333333");
  EXPECT_EQ(concat(Value(1.5), Value::string("x")).toText(), "1.5x");
  EXPECT_EQ(concat(Value(), Value()).toText(), "");
}

TEST(ValueText, TypeNamesAsVBScriptGivesThem) {
  EXPECT_EQ(typeName(VType::Empty), "Empty");
  EXPECT_EQ(typeName(VType::Integer), "Integer");
  EXPECT_EQ(typeName(VType::Long), "Long");
  EXPECT_EQ(typeName(VType::Single), "Single");
  EXPECT_EQ(typeName(VType::Double), "Double");
  EXPECT_EQ(typeName(VType::String), "String");
  EXPECT_EQ(typeName(VType::Boolean), "Boolean");
}

TEST(ValueText, NumericTextIsReadAsVBScriptReadsIt) {
  double d = 0;
  EXPECT_TRUE(parseNumericText("  -1.5E+2 ", d));
  EXPECT_EQ(d, -150);
  EXPECT_TRUE(parseNumericText("1,000", d));
  EXPECT_EQ(d, 1000);
  EXPECT_TRUE(parseNumericText(".5", d));
  EXPECT_EQ(d, 0.5);
  EXPECT_TRUE(parseNumericText("&HFF", d));
  EXPECT_EQ(d, 255);
  EXPECT_TRUE(parseNumericText("&HFFFF", d));
  EXPECT_EQ(d, -1);
  EXPECT_FALSE(parseNumericText("", d));
  EXPECT_FALSE(parseNumericText("1e", d));
  EXPECT_FALSE(parseNumericText("12abc", d));
  EXPECT_FALSE(parseNumericText(".", d));
}

}  // namespace
}  // namespace zorvan
