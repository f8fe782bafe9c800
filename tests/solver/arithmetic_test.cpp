#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "solver/arithmetic.h"

namespace zorvan {
namespace {

using solver::Num;

// The search's operators keep numbers in plain lanes of their own; whatever
// lane an operand takes, a result must be the Value operation's result, kind
// and bits, and a failure its error.
const std::vector<Value>& operands() {
  static const std::vector<Value> values = {
      Value(2.5),         Value(-0.0),         Value(1e300),          Value(-3.0),
      Value::integer(7),  Value::integer(0),   Value::integer(32767), Value::longInt(-100000),
      Value::boolean(true), Value(),           Value::single(1.5f),   Value::string("4"),
      Value::string("x"), Value::null(),       Value::nothing()};
  return values;
}

// A Value operation's outcome as a Num would give it: Null fails as itself.
Num expected(const std::function<Value()>& op) {
  try {
    Value r = op();
    if (r.isNull()) return Num::failure(err::InvalidUseOfNull);
    return r;
  } catch (const ScriptError& e) {
    return Num::failure(e.number);
  }
}

std::string describe(const Num& n) {
  if (n.failed()) return "error " + std::to_string(n.error());
  const Value v = n.value();
  std::uint64_t bits = 0;
  if (v.isDouble()) {
    const double d = v.rawDouble();
    std::memcpy(&bits, &d, sizeof d);
  }
  return std::to_string(varType(v.type())) + ":" + (v.isDouble() ? std::to_string(bits) : v.isNull() ? "" : v.toText());
}

TEST(SearchArithmetic, EveryLaneGivesTheValueOperationsResult) {
  const std::vector<Value>& values = operands();
  for (std::size_t i = 0; i < values.size(); ++i) {
    const Value& a = values[i];
    for (std::size_t j = 0; j < values.size(); ++j) {
      const Value& b = values[j];
      const bool null = a.isNull() || b.isNull();
      auto general = [&](Value (*op)(const Value&, const Value&)) {
        return null ? Num::failure(err::InvalidUseOfNull) : expected([&] { return op(a, b); });
      };
      const std::string pair = "operands " + std::to_string(i) + ", " + std::to_string(j);
      EXPECT_EQ(describe(Num(a) + Num(b)), describe(general(add))) << pair;
      EXPECT_EQ(describe(Num(a) - Num(b)), describe(general(sub))) << pair;
      EXPECT_EQ(describe(Num(a) * Num(b)), describe(general(mul))) << pair;
      EXPECT_EQ(describe(Num(a) / Num(b)), describe(general(div))) << pair;
      int order = 2;
      if (!null) {
        try {
          order = compareNumbers(a, b);
        } catch (const ScriptError&) {
        }
      }
      EXPECT_EQ(solver::order(a, b), order) << pair;
    }
    EXPECT_EQ(describe(solver::Abs(a)), describe(a.isNull() ? Num::failure(err::InvalidUseOfNull)
                                                            : expected([&] { return absolute(a); })))
        << "operand " << i;
    EXPECT_EQ(describe(solver::Sgn(a)), describe(a.isNull() ? Num::failure(err::InvalidUseOfNull)
                                                            : expected([&] { return sign(a); })))
        << "operand " << i;
  }
}

TEST(SearchArithmetic, AFailureTravelsToTheStepThatStoresIt) {
  const Num overflow = Num(Value(1e300)) * Num(Value(1e300));
  ASSERT_TRUE(overflow.failed());
  EXPECT_EQ(overflow.error(), err::Overflow);
  // Carried through later operations unchanged, and raised only when stored.
  const Num later = overflow + solver::I(1);
  EXPECT_EQ(later.error(), err::Overflow);
  try {
    const Value stored = later;
    ADD_FAILURE() << "stored " << stored.toText();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.number, err::Overflow);
  }
  EXPECT_TRUE((overflow < solver::I(0)).failed());
}

// A Num refers to a String rather than owning it. Strings made within a
// step, by f or by a concatenation, must outlive the expression that made
// them for as long as the step's Nums do: under AddressSanitizer a String
// freed too early is a use after free here.
TEST(SearchArithmetic, AStringMadeInAStepLivesAsLongAsItsNums) {
  const Num given = Value::string("1");
  const Num joined = Num(Value::string("2")) + Num(Value::string("3"));
  const Num sum = given + Num(Value::string("4"));
  EXPECT_EQ(describe(joined), "8:23");
  EXPECT_EQ(describe(sum), "8:14");
  EXPECT_EQ(describe(given), "8:1");
  EXPECT_EQ(describe(joined / solver::I(2)), describe(Value(11.5)));
  const Value stored = joined;
  EXPECT_EQ(stored.text(), "23");
}

}  // namespace
}  // namespace zorvan
