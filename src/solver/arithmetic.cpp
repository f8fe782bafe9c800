#include "solver/arithmetic.h"

namespace zorvan::solver {

// A whole number as the Value kind it came from.
Value Num::plain(bool failed, VType wholeType, std::int32_t wholeOrError) {
  if (failed) raise(wholeOrError);
  switch (wholeType) {
    case VType::Integer: return Value::integer(static_cast<std::int16_t>(wholeOrError));
    case VType::Boolean: return Value::boolean(wholeOrError != 0);
    case VType::Empty: return Value();
    default: return Value::longInt(wholeOrError);
  }
}

namespace detail {

namespace {
// A failure of the Value operation as a failed Num; Null fails as itself.
template <class Fn>
Num caught(Fn fn) {
  try {
    Value r = fn();
    if (r.isNull()) return Num::failure(err::InvalidUseOfNull);
    return r;
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
