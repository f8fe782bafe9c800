#pragma once
// The search's arithmetic on Values, written as operators so that each step
// reads as its formula. A result is a Num: a Value, or the failure of the
// operation that computed it (overflow, division by zero, an operand that
// is no number). Failures travel as values, so a failing step costs about
// what a passing one does; only a step that stores a failed Num, or runs f
// on one, raises. Comparisons are numeric: a String is read as a number or
// the comparison fails; Empty is 0.

#include <cmath>
#include <cstdint>
#include <utility>

#include "common/value.h"

namespace zorvan::solver {

// The fast paths of the operators are a few instructions each: inlined at
// every step they cost no call, which the compiler's size heuristics would
// otherwise make for many of them.
#define ZORVAN_HOT [[gnu::always_inline]]

class Num {
 public:
  Num(Value v) : value_(std::move(v)) {}  // NOLINT: every Value is a Num
  static Num failure(std::int32_t error) {
    Num n{Value()};
    n.error_ = error;
    return n;
  }
  bool failed() const { return error_ != 0; }
  std::int32_t error() const { return error_; }
  const Value& value() const { return value_; }
  // Storing a failed result fails the step that stores it.
  operator Value() const& {  // NOLINT: a Num is stored where a Value is
    if (failed()) raise(error_);
    return value_;
  }
  operator Value() && {  // NOLINT
    if (failed()) raise(error_);
    return std::move(value_);
  }

 private:
  Value value_;
  std::int32_t error_ = 0;
};

// The outcome of a comparison: true, false, or failed to evaluate.
class Truth {
 public:
  constexpr Truth(bool holds) : state_(holds ? 1 : 0) {}  // NOLINT
  static constexpr Truth failure() { return Truth(State{2}); }
  constexpr bool failed() const { return state_ == 2; }
  constexpr bool holds() const { return state_ == 1; }
  // Read as a plain bool, a failed comparison fails its step.
  operator bool() const {  // NOLINT
    if (failed()) raise(err::TypeMismatch);
    return holds();
  }

 private:
  struct State {
    int v;
  };
  explicit constexpr Truth(State s) : state_(s.v) {}
  int state_;
};

inline Value I(std::int16_t v) { return Value::integer(v); }
inline Value D(double v) { return Value(v); }

namespace detail {
// The general operations, for the operands the fast paths below leave, out
// of line so that the fast paths stay small enough to inline everywhere:
// their rare failures (a String that spells no number) still come back as values.
enum class Operation : std::uint8_t { Add, Sub, Mul, Div };
Num general(Operation op, const Value& a, const Value& b);
int generalOrder(const Value& a, const Value& b);
enum class Rounding : std::uint8_t { Abs, Sgn, Int };
Num generalUnary(Rounding fn, const Value& a);

inline Num real(double r) { return std::isfinite(r) ? Num(Value(r)) : Num::failure(err::Overflow); }

}  // namespace detail

ZORVAN_HOT inline Num operator+(const Num& a, const Num& b) {
  if (a.failed()) return a;
  if (b.failed()) return b;
  double x, y;
  if (zorvan::detail::realPair(a.value(), b.value(), x, y)) return detail::real(x + y);
  if (zorvan::detail::integers(a.value(), b.value()))
    return zorvan::detail::narrowest(a.value().rawWhole() + b.value().rawWhole());
  return detail::general(detail::Operation::Add, a.value(), b.value());
}
ZORVAN_HOT inline Num operator-(const Num& a, const Num& b) {
  if (a.failed()) return a;
  if (b.failed()) return b;
  double x, y;
  if (zorvan::detail::realPair(a.value(), b.value(), x, y)) return detail::real(x - y);
  if (zorvan::detail::integers(a.value(), b.value()))
    return zorvan::detail::narrowest(a.value().rawWhole() - b.value().rawWhole());
  return detail::general(detail::Operation::Sub, a.value(), b.value());
}
ZORVAN_HOT inline Num operator*(const Num& a, const Num& b) {
  if (a.failed()) return a;
  if (b.failed()) return b;
  double x, y;
  if (zorvan::detail::realPair(a.value(), b.value(), x, y)) return detail::real(x * y);
  return detail::general(detail::Operation::Mul, a.value(), b.value());
}
ZORVAN_HOT inline Num operator/(const Num& a, const Num& b) {
  if (a.failed()) return a;
  if (b.failed()) return b;
  double x, y;
  const Value &p = a.value(), &q = b.value();
  const bool numbers = zorvan::detail::realPair(p, q, x, y) ||
                       (p.isWhole() && q.isWhole() && ((x = p.rawWhole()), (y = q.rawWhole()), true));
  if (numbers) {
    if (y == 0) return Num::failure(x == 0 ? err::Overflow : err::DivisionByZero);
    return detail::real(x / y);
  }
  return detail::general(detail::Operation::Div, p, q);
}

// The order of two numbers: -1, 0 or 1; 2 when they cannot be compared.
ZORVAN_HOT inline int order(const Num& a, const Num& b) {
  if (a.failed() || b.failed()) return 2;
  const Value &p = a.value(), &q = b.value();
  if (p.isWhole() && q.isWhole()) {
    const std::int32_t x = p.rawWhole(), y = q.rawWhole();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  double x, y;
  if (zorvan::detail::realPair(p, q, x, y)) return x < y ? -1 : (x > y ? 1 : 0);
  return detail::generalOrder(p, q);
}
inline Truth compared(int order, bool holds) { return order == 2 ? Truth::failure() : Truth(holds); }
inline Truth operator<(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c < 0); }
inline Truth operator>(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c > 0); }
inline Truth operator<=(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c <= 0); }
inline Truth operator>=(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c >= 0); }
inline Truth operator==(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c == 0); }
inline Truth operator!=(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c != 0); }

inline Num Abs(const Num& v) {
  if (!v.failed() && v.value().isDouble()) return Value(std::fabs(v.value().rawDouble()));
  if (v.failed()) return v;
  return detail::generalUnary(detail::Rounding::Abs, v.value());
}
inline Num Sgn(const Num& v) { return v.failed() ? v : detail::generalUnary(detail::Rounding::Sgn, v.value()); }
inline Num Int(const Num& v) { return v.failed() ? v : detail::generalUnary(detail::Rounding::Int, v.value()); }

#undef ZORVAN_HOT

}  // namespace zorvan::solver
