#include "solver/arithmetic.h"

#include <array>
#include <bit>
#include <cstddef>

namespace zorvan::solver {

// A whole number as the Value kind it came from, a failure as its error, a
// Value referred to as a copy of it.
Value Num::plain(std::uint64_t tag, std::uint64_t bits) {
  const std::int32_t whole = low32Of(bits);
  switch (kindOf(tag)) {
    case Kind::Failed: raise(whole);
    case Kind::Referred: return Value::copyOf(static_cast<VType>(tag >> 8 & 0xFF), bits);
    case Kind::Integer: return Value::integer(static_cast<std::int16_t>(whole));
    case Kind::Boolean: return Value::boolean(whole != 0);
    case Kind::Empty: return Value();
    case Kind::Long: return Value::longInt(whole);
    default: return Value(std::bit_cast<double>(bits));
  }
}

namespace detail {

namespace {
thread_local std::array<Value, 16> keptRing;
thread_local std::size_t keptNext = 0;
}  // namespace

const Value& kept(Value&& v) {
  Value& slot = keptRing[keptNext++ % keptRing.size()];
  slot = std::move(v);
  return slot;
}

void releaseKept() {
  for (Value& v : keptRing) v.reset();
}

namespace {
// A failure of the Value operation as a failed Num; Null fails as itself.
template <class Fn>
Num caught(Fn fn) {
  try {
    Value r = fn();
    if (r.isNull()) return Num::failure(err::InvalidUseOfNull);
    return Num(std::move(r));  // kept: a Num only refers to it
  } catch (const ScriptError& e) {
    return Num::failure(e.number);
  }
}
}  // namespace

Num general(Operation op, Num a, Num b) {
  if (a.failed()) return a;
  if (b.failed()) return b;
  const Value x = a.value(), y = b.value();
  if (x.isNull() || y.isNull()) return Num::failure(err::InvalidUseOfNull);
  return caught([&] {
    switch (op) {
      case Operation::Add: return add(x, y);
      case Operation::Sub: return sub(x, y);
      case Operation::Mul: return mul(x, y);
      default: return div(x, y);
    }
  });
}

int generalOrder(Num a, Num b) {
  if (a.failed() || b.failed()) return 2;
  const Value x = a.value(), y = b.value();
  if (x.isNull() || y.isNull()) return 2;
  try {
    return compareNumbers(x, y);
  } catch (const ScriptError&) {
    return 2;
  }
}

Num generalUnary(Rounding fn, Num a) {
  if (a.failed()) return a;
  const Value x = a.value();
  if (x.isNull()) return Num::failure(err::InvalidUseOfNull);
  return caught([&] {
    switch (fn) {
      case Rounding::Abs: return absolute(x);
      case Rounding::Sgn: return sign(x);
      default: return intPart(x);
    }
  });
}

}  // namespace detail

}  // namespace zorvan::solver
