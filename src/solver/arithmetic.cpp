#include "solver/arithmetic.h"

namespace zorvan::solver::detail {

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

Num general(Operation op, const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Num::failure(err::InvalidUseOfNull);
  return caught([&] {
    switch (op) {
      case Operation::Add: return add(a, b);
      case Operation::Sub: return sub(a, b);
      case Operation::Mul: return mul(a, b);
      default: return div(a, b);
    }
  });
}

int generalOrder(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return 2;
  try {
    return compareNumbers(a, b);
  } catch (const ScriptError&) {
    return 2;
  }
}

Num generalUnary(Rounding fn, const Value& a) {
  if (a.isNull()) return Num::failure(err::InvalidUseOfNull);
  return caught([&] {
    switch (fn) {
      case Rounding::Abs: return absolute(a);
      case Rounding::Sgn: return sign(a);
      default: return intPart(a);
    }
  });
}

}  // namespace zorvan::solver::detail
