#pragma once
// The search's arithmetic on Values, written as operators so that each step
// reads as its formula. A result is a Num: a number, any other Value, or the
// failure of the operation that computed it (overflow, division by zero, an
// operand that is no number). Failures travel as values, so a failing step
// costs about what a passing one does; only a step that stores a failed Num,
// or runs f on one, raises. Comparisons are numeric: a String is read as a
// number or the comparison fails; Empty is 0.

#include <cmath>
#include <cstdint>
#include <utility>

#include "common/value.h"

namespace zorvan::solver {

// The fast paths of the operators are a few instructions each: inlined at
// every step they cost no call, which the compiler's size heuristics would
// otherwise make for many of them.
#define ZORVAN_HOT [[gnu::always_inline]]

namespace detail {
// Keeps a String or an array that a step made (a concatenation, a String
// that f gave) alive while the Nums that refer to it do: the last few are
// kept, and one step holds no more than two or three at once.
const Value& kept(Value&& v);
// Lets go of them all: an array kept after its search would count against
// the limit on all arrays together.
void releaseKept();
}  // namespace detail

// A Double or a whole number is held as a plain number, not as a Value: the
// fast paths then build, copy and release no Value at all. Any other Value
// is referred to, not owned, so a Num is trivially copied and destroyed and
// the compiler keeps it in machine registers. A Num therefore lives no
// longer than the Value it was made from, as the operands and results of
// one step do; a Value made in the step is kept for it (detail::kept).
class Num {
 public:
  ZORVAN_HOT Num(const Value& v) {  // NOLINT: every Value is a Num
    if (!take(v)) refer(v);
  }
  ZORVAN_HOT Num(Value&& v) {  // NOLINT
    if (!take(v)) refer(v.isString() || v.isArray() ? detail::kept(std::move(v)) : v);
  }

  static Num real(double d) {
    Num n(Kind::Real);
    n.real_ = d;
    return n;
  }
  static Num whole(VType type, std::int32_t v) {
    Num n(wholeKind(type));
    n.bits_ = static_cast<std::uint32_t>(v);
    return n;
  }
  static Num failure(std::int32_t error) {
    Num n(Kind::Failed);
    n.bits_ = static_cast<std::uint32_t>(error);
    return n;
  }
  bool failed() const { return kind() == Kind::Failed; }
  std::int32_t error() const { return low32(); }
  bool isReal() const { return kind() == Kind::Real; }
  bool isWhole() const { return kind() <= Kind::Boolean; }
  // Integer op Integer stays whole; any other whole number goes the general way.
  bool isInteger() const { return kind() == Kind::Integer; }
  double realValue() const { return real_; }
  std::int32_t wholeValue() const { return low32(); }
  // Both as doubles where the result is a Double whatever the operator: two
  // Doubles, or a Double and a whole number.
  bool reals(const Num& b, double& x, double& y) const {
    if (isReal()) [[likely]] {
      x = real_;
      if (b.isReal()) [[likely]] return y = b.real_, true;
      if (b.isWhole()) return y = b.low32(), true;
      return false;
    }
    if (isWhole() && b.isReal()) return x = low32(), y = b.real_, true;
    return false;
  }
  // The Value this is; storing a failed result fails the step that stores it.
  Value value() const;
  operator Value() const { return value(); }  // NOLINT: a Num is stored where a Value is

 private:
  // The whole kinds share VType's codes.
  enum class Kind : std::uint8_t { Empty, Integer, Long, Boolean, Real, Referred, Failed };
  static_assert(static_cast<int>(VType::Empty) == 0 && static_cast<int>(VType::Integer) == 1 &&
                static_cast<int>(VType::Long) == 2 && static_cast<int>(VType::Boolean) == 3);
  static Kind wholeKind(VType type) { return static_cast<Kind>(type); }
  explicit Num(Kind kind) : tag_(static_cast<std::uint64_t>(kind)) {}
  // The fields read apart from a Num, for plain() as for the members.
  static Kind kindOf(std::uint64_t tag) { return static_cast<Kind>(tag & 0xFF); }
  static std::int32_t low32Of(std::uint64_t bits) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)); }
  Kind kind() const { return kindOf(tag_); }
  std::int32_t low32() const { return low32Of(bits_); }
  // Takes a number as a plain one; false, leaving the Value to refer to, otherwise.
  ZORVAN_HOT bool take(const Value& v) {
    if (v.isDouble()) [[likely]] {
      tag_ = static_cast<std::uint64_t>(Kind::Real);
      real_ = v.rawDouble();
      return true;
    }
    if (v.isWhole()) {
      tag_ = static_cast<std::uint64_t>(wholeKind(v.type()));
      bits_ = static_cast<std::uint32_t>(v.rawWhole());
      return true;
    }
    return false;
  }
  void refer(const Value& v) {
    tag_ = static_cast<std::uint64_t>(Kind::Referred) | static_cast<std::uint64_t>(v.type()) << 8;
    bits_ = v.rawBits();
  }
  // Any kind but a Double or an Integer as its Value. It takes the fields,
  // not the Num: a Num whose address escaped, even on a path not taken,
  // would be kept in memory, not registers.
  static Value plain(std::uint64_t tag, std::uint64_t bits);

  // Both halves are written and read eight bytes at a time: a read that
  // spans two stores waits for both to retire.
  std::uint64_t tag_;  // the kind in the low byte; a Value referred to has its own kind above
  union {
    double real_;
    std::uint64_t bits_;  // a whole number or an error in the low half; a Value's storage
  };
};

ZORVAN_HOT inline Value Num::value() const {
  if (isReal()) [[likely]] return Value(real_);
  if (isInteger()) return Value::integer(static_cast<std::int16_t>(low32()));
  return plain(tag_, bits_);
}

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

inline Num I(std::int16_t v) { return Num::whole(VType::Integer, v); }
inline Num D(double v) { return Num::real(v); }

namespace detail {
// The general operations, for the operands the fast paths below leave (a
// failed operand, a String, Null, Long or Boolean arithmetic), out of line
// so that the fast paths stay small enough to inline everywhere: their rare
// failures (a String that spells no number) still come back as values.
enum class Operation : std::uint8_t { Add, Sub, Mul, Div };
// They take copies: an operand whose address escaped could not stay in registers.
Num general(Operation op, Num a, Num b);
int generalOrder(Num a, Num b);
enum class Rounding : std::uint8_t { Abs, Sgn, Int };
Num generalUnary(Rounding fn, Num a);

inline Num real(double r) { return std::isfinite(r) ? Num::real(r) : Num::failure(err::Overflow); }
inline Num narrowest(std::int32_t r) {
  return r >= -32768 && r <= 32767 ? Num::whole(VType::Integer, r) : Num::whole(VType::Long, r);
}

}  // namespace detail

ZORVAN_HOT inline Num operator+(const Num& a, const Num& b) {
  double x, y;
  if (a.reals(b, x, y)) return detail::real(x + y);
  if (a.isInteger() && b.isInteger()) return detail::narrowest(a.wholeValue() + b.wholeValue());
  return detail::general(detail::Operation::Add, a, b);
}
ZORVAN_HOT inline Num operator-(const Num& a, const Num& b) {
  double x, y;
  if (a.reals(b, x, y)) return detail::real(x - y);
  if (a.isInteger() && b.isInteger()) return detail::narrowest(a.wholeValue() - b.wholeValue());
  return detail::general(detail::Operation::Sub, a, b);
}
ZORVAN_HOT inline Num operator*(const Num& a, const Num& b) {
  double x, y;
  if (a.reals(b, x, y)) return detail::real(x * y);
  return detail::general(detail::Operation::Mul, a, b);
}
ZORVAN_HOT inline Num operator/(const Num& a, const Num& b) {
  double x, y;
  const bool numbers =
      a.reals(b, x, y) || (a.isWhole() && b.isWhole() && ((x = a.wholeValue()), (y = b.wholeValue()), true));
  if (numbers) {
    if (y == 0) return Num::failure(x == 0 ? err::Overflow : err::DivisionByZero);
    return detail::real(x / y);
  }
  return detail::general(detail::Operation::Div, a, b);
}

// The order of two numbers: -1, 0 or 1; 2 when they cannot be compared.
ZORVAN_HOT inline int order(const Num& a, const Num& b) {
  if (a.isWhole() && b.isWhole()) {
    const std::int32_t x = a.wholeValue(), y = b.wholeValue();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  double x, y;
  if (a.reals(b, x, y)) return x < y ? -1 : (x > y ? 1 : 0);
  return detail::generalOrder(a, b);
}
inline Truth compared(int order, bool holds) { return order == 2 ? Truth::failure() : Truth(holds); }
inline Truth operator<(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c < 0); }
inline Truth operator>(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c > 0); }
inline Truth operator<=(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c <= 0); }
inline Truth operator>=(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c >= 0); }
inline Truth operator==(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c == 0); }
inline Truth operator!=(const Num& a, const Num& b) { const int c = order(a, b); return compared(c, c != 0); }

inline Num Abs(const Num& v) {
  if (v.isReal()) return Num::real(std::fabs(v.realValue()));
  return detail::generalUnary(detail::Rounding::Abs, v);
}
inline Num Sgn(const Num& v) {
  if (v.isReal()) return I(v.realValue() < 0 ? -1 : (v.realValue() > 0 ? 1 : 0));
  return detail::generalUnary(detail::Rounding::Sgn, v);
}
inline Num Int(const Num& v) { return detail::generalUnary(detail::Rounding::Int, v); }

#undef ZORVAN_HOT

}  // namespace zorvan::solver
