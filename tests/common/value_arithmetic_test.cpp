#include <gtest/gtest.h>

#include <cmath>

#include "common/value.h"

namespace zorvan {
namespace {

Value I(int v) { return Value::integer(static_cast<std::int16_t>(v)); }
Value L(int v) { return Value::longInt(v); }
Value S(const char* t) { return Value::string(t); }

int failure(auto&& op) {
  try {
    op();
  } catch (const ScriptError& e) {
    return e.number;
  }
  return 0;
}

TEST(ValueArithmetic, IntegersWidenInsteadOfOverflowing) {
  EXPECT_EQ(add(I(1), I(2)).type(), VType::Integer);
  const Value big = add(I(32767), I(1));
  EXPECT_EQ(big.type(), VType::Long);
  EXPECT_EQ(big.toLong(), 32768);
  EXPECT_EQ(mul(I(300), I(300)).type(), VType::Long);
  const Value huge = mul(L(2147483647), I(2));
  EXPECT_EQ(huge.type(), VType::Double);
  EXPECT_EQ(huge.toDouble(), 4294967294.0);
  EXPECT_EQ(sub(L(-2147483647), L(2)).type(), VType::Double);
  EXPECT_EQ(negate(I(-32768)).type(), VType::Long);
  EXPECT_EQ(negate(L(INT32_MIN)).type(), VType::Double);
}

TEST(ValueArithmetic, MixedKindsTakeTheWiderKind) {
  EXPECT_EQ(add(I(1), Value(0.5)).type(), VType::Double);
  EXPECT_EQ(add(I(1), Value::single(0.5f)).type(), VType::Single);
  EXPECT_EQ(add(L(1), Value::single(0.5f)).type(), VType::Double);
  EXPECT_EQ(add(Value::boolean(true), Value::boolean(true)).toLong(), -2);
  EXPECT_EQ(add(Value::boolean(true), Value::boolean(true)).type(), VType::Integer);
  EXPECT_EQ(add(Value(), Value()).type(), VType::Integer);
  EXPECT_EQ(add(Value(), Value(2.5)).toDouble(), 2.5);
}

TEST(ValueArithmetic, StringsTakePartAsNumbersExceptInPlus) {
  EXPECT_EQ(mul(S("2"), I(3)).toDouble(), 6);
  EXPECT_EQ(mul(S("2"), I(3)).type(), VType::Double);
  EXPECT_EQ(add(S("2"), I(3)).toDouble(), 5);
  EXPECT_EQ(add(S("2"), S("3")).toText(), "23");
  EXPECT_EQ(add(S("a"), Value()).toText(), "a");
  EXPECT_EQ(sub(S("7"), S("2")).toDouble(), 5);
  EXPECT_EQ(failure([] { mul(S("abc"), I(1)); }), 13);
  EXPECT_EQ(failure([] { add(S("abc"), I(1)); }), 13);
  EXPECT_EQ(mul(S(" 1.5e1 "), I(2)).toDouble(), 30);
  EXPECT_EQ(mul(S("&H10"), I(1)).toDouble(), 16);
}

TEST(ValueArithmetic, FailuresNeverYieldInfinityOrNaN) {
  EXPECT_EQ(failure([] { div(I(1), I(0)); }), 11);
  EXPECT_EQ(failure([] { div(I(0), I(0)); }), 6);
  EXPECT_EQ(failure([] { mul(Value(1e200), Value(1e200)); }), 6);
  EXPECT_EQ(failure([] { add(Value(1.7e308), Value(1.7e308)); }), 6);
  EXPECT_EQ(failure([] { power(Value(10), Value(400)); }), 6);
  EXPECT_EQ(failure([] { power(Value(-8), Value(1.0 / 3)); }), 5);
  EXPECT_EQ(failure([] { intDiv(I(1), I(0)); }), 11);
  EXPECT_EQ(failure([] { mod(I(1), Value(0.4)); }), 11);  // 0.4 rounds to 0
  EXPECT_EQ(mul(Value(1e-200), Value(1e-200)).toDouble(), 0);  // underflow is silent
}

TEST(ValueArithmetic, DivisionAndPowerGiveDoubles) {
  EXPECT_EQ(div(I(6), I(3)).type(), VType::Double);
  EXPECT_EQ(power(I(2), I(3)).type(), VType::Double);
  EXPECT_EQ(power(I(2), I(-2)).toDouble(), 0.25);
  EXPECT_EQ(power(Value(-8), I(3)).toDouble(), -512);
}

TEST(ValueArithmetic, IntegerDivisionAndModRoundTheirOperands) {
  EXPECT_EQ(intDiv(I(7), I(2)).toLong(), 3);
  EXPECT_EQ(intDiv(I(7), I(2)).type(), VType::Integer);
  EXPECT_EQ(intDiv(Value(5.5), I(2)).toLong(), 3);  // 5.5 rounds to 6
  EXPECT_EQ(intDiv(Value(4.5), I(2)).toLong(), 2);  // 4.5 rounds to 4
  EXPECT_EQ(intDiv(Value(4.5), I(2)).type(), VType::Long);
  EXPECT_EQ(mod(I(-7), I(3)).toLong(), -1);
  EXPECT_EQ(mod(Value(7.6), I(3)).toLong(), 2);
  EXPECT_EQ(intDiv(I(-32768), I(-1)).type(), VType::Long);
  EXPECT_EQ(failure([] { intDiv(Value(3e9), I(1)); }), 6);
}

TEST(ValueComparison, FollowsTheVariantRules) {
  EXPECT_EQ(compare(I(1), Value(1.0)), 0);
  EXPECT_EQ(compare(Value(), I(0)), 0);
  EXPECT_EQ(compare(Value(), S("")), 0);
  EXPECT_EQ(compare(S("a"), S("b")), -1);
  EXPECT_EQ(compare(S("B"), S("a")), -1);  // binary comparison
  EXPECT_EQ(compare(I(5), S("1")), -1);    // a number is below any String
  EXPECT_EQ(compare(Value::boolean(true), I(-1)), 0);
  EXPECT_EQ(compareNumbers(S("10"), I(9)), 1);
  EXPECT_EQ(failure([] { compareNumbers(S("x"), I(0)); }), 13);
}

TEST(ValueLogic, BitwiseOnNumbersAndLogicalOnBooleans) {
  EXPECT_EQ(logicalAnd(Value::boolean(true), Value::boolean(false)).type(), VType::Boolean);
  EXPECT_EQ(logicalAnd(I(12), I(10)).toLong(), 8);
  EXPECT_EQ(logicalOr(I(12), I(3)).toLong(), 15);
  EXPECT_EQ(logicalXor(I(12), I(10)).toLong(), 6);
  EXPECT_EQ(logicalNot(I(0)).toLong(), -1);
  EXPECT_EQ(logicalNot(Value::boolean(true)).toText(), "False");
  EXPECT_EQ(logicalNot(Value(2.5)).toLong(), -3);
  EXPECT_EQ(logicalNot(Value(2.5)).type(), VType::Long);
  EXPECT_EQ(logicalAnd(Value::boolean(true), I(6)).toLong(), 6);
  EXPECT_EQ(logicalAnd(Value::boolean(true), I(6)).type(), VType::Integer);
  EXPECT_EQ(logicalEqv(Value::boolean(false), Value::boolean(false)).toText(), "True");
  EXPECT_EQ(logicalImp(Value::boolean(true), Value::boolean(false)).toText(), "False");
  EXPECT_EQ(logicalImp(Value::boolean(false), Value::boolean(false)).toText(), "True");
}

TEST(ValueRounding, IntFixAbsSgnKeepTheKind) {
  EXPECT_EQ(intPart(Value(2.7)).toDouble(), 2);
  EXPECT_EQ(intPart(Value(-2.5)).toDouble(), -3);
  EXPECT_EQ(intPart(Value(-2.5)).type(), VType::Double);
  EXPECT_EQ(fixPart(Value(-2.5)).toDouble(), -2);
  EXPECT_EQ(intPart(I(5)).type(), VType::Integer);
  EXPECT_EQ(intPart(Value::single(1.5f)).type(), VType::Single);
  EXPECT_EQ(intPart(Value()).type(), VType::Integer);
  EXPECT_EQ(absolute(I(-32768)).type(), VType::Long);
  EXPECT_EQ(absolute(Value(-0.5)).toDouble(), 0.5);
  EXPECT_EQ(sign(Value(-0.1)).toLong(), -1);
  EXPECT_EQ(sign(Value(0.0)).toLong(), 0);
  EXPECT_EQ(sign(S("3")).toLong(), 1);
  EXPECT_EQ(sign(Value(2.0)).type(), VType::Integer);
}

TEST(ValueConversion, BankersRoundingAndRangeChecks) {
  EXPECT_EQ(Value(2.5).toInteger(), 2);
  EXPECT_EQ(Value(3.5).toInteger(), 4);
  EXPECT_EQ(Value(-2.5).toLong(), -2);
  EXPECT_EQ(failure([] { Value(32767.5).toInteger(); }), 6);
  EXPECT_EQ(failure([] { Value(1e40).toSingle(); }), 6);
  EXPECT_TRUE(S("true").toBoolean());
  EXPECT_FALSE(S(" False ").toBoolean());
  EXPECT_TRUE(S("2").toBoolean());
  EXPECT_EQ(failure([] { S("yes").toBoolean(); }), 13);
  EXPECT_EQ(failure([] { S("").toDouble(); }), 13);
  EXPECT_EQ(failure([] { S("1e400").toDouble(); }), 6);
}

TEST(ValueCopies, StringsAreSharedAndReleased) {
  Value a = S("shared");
  Value b = a;
  Value c = std::move(a);
  EXPECT_EQ(b.toText(), "shared");
  EXPECT_EQ(c.toText(), "shared");
  EXPECT_TRUE(a.isEmpty());
  b = Value(1.0);
  c = c;
  EXPECT_EQ(c.toText(), "shared");
}

}  // namespace
}  // namespace zorvan
