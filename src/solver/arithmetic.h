#pragma once
// The search's arithmetic on Values, written as operators so that each step
// reads as its formula. Comparisons are numeric: a String is read as a
// number or the comparison fails; Empty is 0.

#include "common/value.h"

namespace zorvan::solver {

inline Value I(std::int16_t v) { return Value::integer(v); }
inline Value D(double v) { return Value(v); }

// A Null from f is no number: the step that meets it fails, as a text that
// spells no number does.
inline Value numeric(Value v) {
  if (v.isNull()) raise(err::InvalidUseOfNull);
  return v;
}

inline Value operator+(const Value& a, const Value& b) { return numeric(add(a, b)); }
inline Value operator-(const Value& a, const Value& b) { return numeric(sub(a, b)); }
inline Value operator*(const Value& a, const Value& b) { return numeric(mul(a, b)); }
inline Value operator/(const Value& a, const Value& b) { return numeric(div(a, b)); }

inline int order(const Value& a, const Value& b) {
  if (a.isWhole() && b.isWhole()) {
    const std::int32_t x = a.rawWhole(), y = b.rawWhole();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  double x, y;
  if (detail::realPair(a, b, x, y)) return x < y ? -1 : (x > y ? 1 : 0);
  return compareNumbers(a, b);
}
inline bool operator<(const Value& a, const Value& b) { return order(a, b) < 0; }
inline bool operator>(const Value& a, const Value& b) { return order(a, b) > 0; }
inline bool operator<=(const Value& a, const Value& b) { return order(a, b) <= 0; }
inline bool operator>=(const Value& a, const Value& b) { return order(a, b) >= 0; }
inline bool operator==(const Value& a, const Value& b) { return order(a, b) == 0; }
inline bool operator!=(const Value& a, const Value& b) { return order(a, b) != 0; }

inline Value Abs(const Value& v) { return v.isDouble() ? Value(std::fabs(v.rawDouble())) : numeric(absolute(v)); }
inline Value Sgn(const Value& v) { return sign(v); }
inline Value Int(const Value& v) { return numeric(intPart(v)); }

}  // namespace zorvan::solver
