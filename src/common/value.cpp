#include "common/value.h"

#include <cfloat>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "common/array.h"
#include "common/limits.h"
#include "common/memory_budget.h"
#include "common/number_text.h"

namespace zorvan {

namespace {

// Reading Null, Nothing or an array as a number or a text.
[[noreturn]] void notScalar(VType t) {
  if (t == VType::Null) raise(err::InvalidUseOfNull);
  raise(t == VType::Object ? err::ObjectNotSet : err::TypeMismatch);
}

// The class an operand takes part in arithmetic as.
enum class Rank { Int16, Int32, Single, Double };

struct Operand {
  Rank rank;
  std::int64_t whole;  // for Int16 and Int32
  double real;         // for Single and Double
};

Operand operand(const Value& v) {
  switch (v.type()) {
    case VType::Empty:
    case VType::Integer:
    case VType::Boolean:
      return {Rank::Int16, v.rawWhole(), 0};
    case VType::Long:
      return {Rank::Int32, v.rawWhole(), 0};
    case VType::Single:
      return {Rank::Single, 0, v.rawSingle()};
    case VType::Double:
      return {Rank::Double, 0, v.rawDouble()};
    case VType::String:
    case VType::Null:  // the operators give Null before they get here
    case VType::Object:
    case VType::Array:
      return {Rank::Double, 0, v.toDouble()};
  }
  return {Rank::Int16, 0, 0};
}

double realOf(const Operand& o) { return o.rank <= Rank::Int32 ? static_cast<double>(o.whole) : o.real; }

Rank resultRank(Rank a, Rank b) {
  if (a == Rank::Double || b == Rank::Double) return Rank::Double;
  if ((a == Rank::Single && b == Rank::Int32) || (a == Rank::Int32 && b == Rank::Single)) return Rank::Double;
  return a > b ? a : b;
}

Value fromReal(Rank rank, double r) {
  r = detail::checked(r);
  if (rank == Rank::Single && std::fabs(r) <= FLT_MAX) return Value::single(static_cast<float>(r));
  return Value(r);
}

template <class WholeOp, class RealOp>
Value arithmetic(const Value& a, const Value& b, WholeOp wholeOp, RealOp realOp) {
  const Operand x = operand(a);
  const Operand y = operand(b);
  const Rank rank = resultRank(x.rank, y.rank);
  if (rank <= Rank::Int32) {
    // The operands' class, widened only on overflow: Integer, then Long, then Double.
    const std::int64_t r = wholeOp(x.whole, y.whole);
    if (rank == Rank::Int16 && r >= INT16_MIN && r <= INT16_MAX) return Value::integer(static_cast<std::int16_t>(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Value::longInt(static_cast<std::int32_t>(r));
    return Value(static_cast<double>(r));
  }
  return fromReal(rank, realOp(realOf(x), realOf(y)));
}

// Banker's rounding to a 32-bit whole number, as \, Mod and the bitwise operators need.
std::int64_t roundToLong(double d) {
  const double r = std::nearbyint(d);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) detail::overflow();
  return static_cast<std::int64_t>(r);
}

// An operand of \, Mod and the bitwise operators: a whole number, and whether
// it is of the 16-bit class (Integer, Boolean, Empty).
struct WholeOperand {
  std::int64_t v;
  bool narrow;
};

// The bitwise operators also read "True" and "False"; \ and Mod do not.
enum class BooleanText { Read, Refused };

WholeOperand wholeOperand(const Value& v, BooleanText booleanText = BooleanText::Read) {
  switch (v.type()) {
    case VType::Empty:
    case VType::Integer:
    case VType::Boolean:
      return {v.rawWhole(), true};
    case VType::Long:
      return {v.rawWhole(), false};
    case VType::Single:
      return {roundToLong(v.rawSingle()), false};
    case VType::Double:
      return {roundToLong(v.rawDouble()), false};
    case VType::String: {
      const std::string_view t = v.text();
      double d;
      if (parseNumericText(t, d)) return {roundToLong(detail::checked(d)), false};
      if (booleanText == BooleanText::Refused) raise(err::TypeMismatch);
      Value b = Value::boolean(v.toBoolean());  // "True" / "False"
      return {b.rawWhole(), true};
    }
    case VType::Null:
    case VType::Object:
    case VType::Array:
      notScalar(v.type());
  }
  return {0, true};
}

Value wholeResult(std::int64_t r, bool narrow) {
  if (narrow && r >= INT16_MIN && r <= INT16_MAX) return Value::integer(static_cast<std::int16_t>(r));
  if (r < INT32_MIN || r > INT32_MAX) detail::overflow();
  return Value::longInt(static_cast<std::int32_t>(r));
}

template <class Op>
Value bitwise(const Value& a, const Value& b, Op op) {
  if (a.type() == VType::Boolean && b.type() == VType::Boolean)
    return Value::boolean(op(a.rawWhole(), b.rawWhole()) != 0);
  const WholeOperand x = wholeOperand(a);
  const WholeOperand y = wholeOperand(b);
  const bool narrow = x.narrow && y.narrow;
  std::int64_t r = op(x.v, y.v);
  // Two's complement within the operands' width: the result always fits.
  r = narrow ? static_cast<std::int16_t>(r) : static_cast<std::int32_t>(r);
  return wholeResult(r, narrow);
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view trimBlanks(std::string_view t) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!t.empty() && blank(t.front())) t.remove_prefix(1);
  while (!t.empty() && blank(t.back())) t.remove_suffix(1);
  return t;
}

int compareReals(double x, double y) { return x < y ? -1 : (x > y ? 1 : 0); }

int compareNumeric(const Value& a, const Value& b) {
  if (a.isWhole() && b.isWhole()) {
    const std::int32_t x = a.rawWhole(), y = b.rawWhole();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  return compareReals(a.toDouble(), b.toDouble());
}

}  // namespace

namespace detail {
void overflow() { raise(err::Overflow); }

Value addSlow(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  // + joins two Strings, and a String with Empty.
  if (a.isString() && (b.isString() || b.isEmpty())) return concat(a, b);
  if (b.isString() && a.isEmpty()) return concat(a, b);
  return arithmetic(
      a, b, [](std::int64_t x, std::int64_t y) { return x + y; }, [](double x, double y) { return x + y; });
}

Value subSlow(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  return arithmetic(
      a, b, [](std::int64_t x, std::int64_t y) { return x - y; }, [](double x, double y) { return x - y; });
}

Value mulSlow(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  return arithmetic(
      a, b, [](std::int64_t x, std::int64_t y) { return x * y; }, [](double x, double y) { return x * y; });
}
}  // namespace detail

Value Value::string(std::string text) {
  if (text.size() > kMaxStringLength) raise(err::OutOfStringSpace);
  // A short text lives inside the std::string itself.
  const std::size_t bytes = sizeof(StringRep) + (text.capacity() > 15 ? text.capacity() + 1 : 0);
  chargeMemory(bytes);
  Value r;
  try {
    r.u_.s = new StringRep(std::move(text), bytes);
  } catch (...) {
    releaseMemory(bytes);
    throw;
  }
  r.type_ = VType::String;
  return r;
}

Value Value::whole(std::int64_t v) noexcept {
  if (v >= INT16_MIN && v <= INT16_MAX) return integer(static_cast<std::int16_t>(v));
  if (v >= INT32_MIN && v <= INT32_MAX) return longInt(static_cast<std::int32_t>(v));
  return Value(static_cast<double>(v));
}

void Value::destroy() noexcept {
  if (type_ == VType::String) {
    releaseMemory(u_.s->charged);
    delete u_.s;
    return;
  }
  // Arrays held only by the array being freed are freed after it, from a
  // list rather than by recursion: arrays nested a million deep must not
  // exhaust the stack.
  ArrayRep* dead = u_.a;
  dead->nextDead = nullptr;
  while (dead != nullptr) {
    ArrayRep* rep = dead;
    dead = rep->nextDead;
    for (Value& v : rep->items) {
      if (v.type_ != VType::Array) continue;
      if (--v.u_.a->refs == 0) {
        v.u_.a->nextDead = dead;
        dead = v.u_.a;
      }
      v.type_ = VType::Empty;
    }
    delete rep;
  }
}

ArrayRep& Value::ownArray() {
  if (u_.a->refs > 1) {
    auto* copy = new ArrayRep(*u_.a);
    --u_.a->refs;
    u_.a = copy;
  }
  return *u_.a;
}

double Value::toDouble() const {
  switch (type_) {
    case VType::Empty:
      return 0;
    case VType::Integer:
    case VType::Long:
    case VType::Boolean:
      return u_.l;
    case VType::Single:
      return u_.f;
    case VType::Double:
      return u_.d;
    case VType::String: {
      double d;
      if (!parseNumericText(u_.s->text, d)) raise(err::TypeMismatch);
      return detail::checked(d);
    }
    case VType::Null:
    case VType::Object:
    case VType::Array:
      notScalar(type_);
  }
  return 0;
}

bool Value::toBoolean() const {
  if (type_ == VType::String) {
    const std::string_view t = trimBlanks(u_.s->text);
    if (equalsIgnoreCase(t, "true")) return true;
    if (equalsIgnoreCase(t, "false")) return false;
  }
  return toDouble() != 0;
}

std::int16_t Value::toInteger() const {
  if (type_ == VType::Integer || type_ == VType::Boolean || type_ == VType::Empty)
    return static_cast<std::int16_t>(rawWhole());
  const double r = std::nearbyint(toDouble());
  if (!(r >= -32768.0 && r <= 32767.0)) detail::overflow();
  return static_cast<std::int16_t>(r);
}

std::int32_t Value::toLong() const {
  if (isWhole()) return rawWhole();
  return static_cast<std::int32_t>(roundToLong(toDouble()));
}

float Value::toSingle() const {
  if (type_ == VType::Single) return u_.f;
  const double d = toDouble();
  if (std::fabs(d) > FLT_MAX) detail::overflow();
  return static_cast<float>(d);
}

std::string Value::toText() const {
  switch (type_) {
    case VType::Empty:
      return {};
    case VType::Integer:
    case VType::Long:
      return std::to_string(u_.l);
    case VType::Single:
      return formatSingle(u_.f);
    case VType::Double:
      return formatDouble(u_.d);
    case VType::Boolean:
      return u_.l ? "True" : "False";
    case VType::String:
      return u_.s->text;
    case VType::Null:
    case VType::Object:
    case VType::Array:
      notScalar(type_);
  }
  return {};
}

Value Value::toNumber() const {
  if (type_ == VType::String) return Value(toDouble());
  if (type_ == VType::Array) raise(err::TypeMismatch);
  if (type_ == VType::Empty) return integer(0);
  return *this;
}

std::string_view typeName(VType t) {
  switch (t) {
    case VType::Empty:
      return "Empty";
    case VType::Null:
      return "Null";
    case VType::Object:
      return "Nothing";
    case VType::Array:
      return "Variant()";
    case VType::Integer:
      return "Integer";
    case VType::Long:
      return "Long";
    case VType::Single:
      return "Single";
    case VType::Double:
      return "Double";
    case VType::String:
      return "String";
    case VType::Boolean:
      return "Boolean";
  }
  return "Unknown";
}

std::string formatDouble(double d) { return writeG(d, 15); }
std::string formatSingle(float f) { return writeG(f, 7); }

namespace {
bool isDigitChar(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool parseNumericText(std::string_view text, double& out) {
  std::string_view t = trimBlanks(text);
  // One sign, before or after the number, or parentheses round it for a
  // negative one, as the system's number reading allows.
  bool negative = false;
  if (t.size() >= 2 && t.front() == '(' && t.back() == ')') {
    negative = true;
    t = trimBlanks(t.substr(1, t.size() - 2));
  } else if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
    negative = t.front() == '-';
    t = trimBlanks(t.substr(1));
  } else if (!t.empty() && (t.back() == '+' || t.back() == '-')) {
    negative = t.back() == '-';
    t = trimBlanks(t.substr(0, t.size() - 1));
  }
  if (t.size() >= 2 && t[0] == '&') {
    int base = 8;
    std::size_t i = 1;
    if (t[1] == 'h' || t[1] == 'H') base = 16, i = 2;
    else if (t[1] == 'o' || t[1] == 'O') i = 2;
    std::uint64_t v = 0;
    const auto* first = t.data() + i;
    const auto* last = t.data() + t.size();
    if (first == last) return false;
    auto [p, ec] = std::from_chars(first, last, v, base);
    if (ec != std::errc() || p != last || v > 0xFFFFFFFFull) return false;
    // Like the literals: four hex digits are a 16-bit Integer, eight a 32-bit Long.
    double d = v <= 0xFFFF ? static_cast<std::int16_t>(v) : static_cast<std::int32_t>(v);
    out = negative ? -d : d;
    return true;
  }
  // Thousands separators may stand between the digits before the period.
  std::string clean;
  clean.reserve(t.size() + 1);
  clean += negative ? '-' : '+';
  std::size_t i = 0;
  for (; i < t.size() && (isDigitChar(t[i]) || (t[i] == ',' && clean.size() > 1)); ++i)
    if (t[i] != ',') clean += t[i];
  clean.append(t.substr(i));
  const DecimalScan scan = scanDecimal(std::string_view(clean).substr(1), true);
  if (scan.length == 0 || scan.length + 1 != clean.size()) return false;
  out = decimalValue(clean);  // beyond range: an infinity, which callers report as Overflow
  return true;
}

Value div(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  const double x = a.toDouble(), y = b.toDouble();
  if (y == 0) raise(x == 0 ? err::Overflow : err::DivisionByZero);
  return Value(detail::checked(x / y));
}

Value intDiv(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  const WholeOperand x = wholeOperand(a, BooleanText::Refused), y = wholeOperand(b, BooleanText::Refused);
  if (y.v == 0) raise(err::DivisionByZero);
  return wholeResult(x.v / y.v, x.narrow && y.narrow);
}

Value mod(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  const WholeOperand x = wholeOperand(a, BooleanText::Refused), y = wholeOperand(b, BooleanText::Refused);
  if (y.v == 0) raise(err::DivisionByZero);
  return wholeResult(x.v % y.v, x.narrow && y.narrow);
}

Value power(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  const double x = a.toDouble(), y = b.toDouble();
  if (x == 0 && y < 0) raise(err::DivisionByZero);
  const double r = std::pow(x, y);
  if (std::isnan(r)) raise(err::InvalidCall);  // a negative base with a fractional exponent
  return Value(detail::checked(r));
}

Value negate(const Value& a) {
  switch (a.type()) {
    case VType::Null:
      return a;
    case VType::Object:
    case VType::Array:
      notScalar(a.type());
    case VType::Empty:
    case VType::Integer:
    case VType::Boolean:
      return Value::whole(-static_cast<std::int64_t>(a.rawWhole()));
    case VType::Long: {
      const std::int64_t r = -static_cast<std::int64_t>(a.rawWhole());
      if (r > INT32_MAX) return Value(static_cast<double>(r));
      return Value::longInt(static_cast<std::int32_t>(r));
    }
    case VType::Single:
      return Value::single(-a.rawSingle());
    case VType::Double:
      return Value(-a.rawDouble());
    case VType::String:
      return Value(-a.toDouble());
  }
  return a;
}

Value concat(const Value& a, const Value& b) {
  // Null joins as no text; two Nulls stay Null.
  if (a.isNull()) return b.isNull() ? b : (b.isString() ? b : Value::string(b.toText()));
  if (b.isNull()) return a.isString() ? a : Value::string(a.toText());
  std::string text = a.toText();
  if (b.isString()) {
    const std::string_view t = b.text();
    if (text.size() + t.size() > kMaxStringLength) raise(err::OutOfStringSpace);
    text.append(t);
  } else {
    text += b.toText();
  }
  return Value::string(std::move(text));
}

int compare(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) raise(err::InvalidUseOfNull);
  if (a.isObject() || b.isObject()) raise(err::ObjectNotSet);
  if (a.isArray() || b.isArray()) raise(err::TypeMismatch);
  const bool as = a.isString(), bs = b.isString();
  if (!as && !bs) return compareNumeric(a, b);
  if (as && bs) {
    const int c = a.text().compare(b.text());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.isEmpty()) return b.text().empty() ? 0 : -1;
  if (b.isEmpty()) return a.text().empty() ? 0 : 1;
  return as ? 1 : -1;  // any number is below any String
}

int compareNumbers(const Value& a, const Value& b) { return compareNumeric(a.toNumber(), b.toNumber()); }

Value logicalNot(const Value& a) {
  if (a.isNull()) return a;
  if (a.type() == VType::Boolean) return Value::boolean(a.rawWhole() == 0);
  const WholeOperand x = wholeOperand(a);
  return wholeResult(~x.v, x.narrow);
}

namespace {
// The operators' truth table with Null: a result the known operand decides
// alone (False And Null, True Or Null) stands; otherwise Null.
bool isAllOnes(const Value& v) { return v.type() == VType::Boolean ? v.rawWhole() != 0 : wholeOperand(v).v == -1; }
bool isZero(const Value& v) { return v.type() == VType::Boolean ? v.rawWhole() == 0 : wholeOperand(v).v == 0; }
}  // namespace

Value logicalAnd(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) {
    const Value& known = a.isNull() ? b : a;
    return !known.isNull() && isZero(known) ? bitwise(known, known, [](std::int64_t x, std::int64_t) { return x; }) : Value::null();
  }
  return bitwise(a, b, [](std::int64_t x, std::int64_t y) { return x & y; });
}
Value logicalOr(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) {
    const Value& known = a.isNull() ? b : a;
    return !known.isNull() && isAllOnes(known) ? bitwise(known, known, [](std::int64_t x, std::int64_t) { return x; }) : Value::null();
  }
  return bitwise(a, b, [](std::int64_t x, std::int64_t y) { return x | y; });
}
Value logicalXor(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  return bitwise(a, b, [](std::int64_t x, std::int64_t y) { return x ^ y; });
}
Value logicalEqv(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return Value::null();
  return bitwise(a, b, [](std::int64_t x, std::int64_t y) { return ~(x ^ y); });
}
Value logicalImp(const Value& a, const Value& b) {
  // False Imp anything and anything Imp True are True.
  if (a.isNull() || b.isNull()) {
    if (!a.isNull() && isZero(a)) return Value::boolean(true);
    if (!b.isNull() && isAllOnes(b)) return Value::boolean(true);
    return Value::null();
  }
  return bitwise(a, b, [](std::int64_t x, std::int64_t y) { return ~x | y; });
}

Value sameObject(const Value& a, const Value& b) {
  if (!a.isObject() || !b.isObject()) raise(err::ObjectRequired);
  return Value::boolean(true);  // Nothing is the only object there is
}

namespace {
template <class RealOp>
Value roundingPart(const Value& a, RealOp op) {
  switch (a.type()) {
    case VType::Null:
      return a;
    case VType::Object:
    case VType::Array:
      notScalar(a.type());
    case VType::Empty:
    case VType::Boolean:
      return Value::integer(static_cast<std::int16_t>(a.rawWhole()));
    case VType::Integer:
    case VType::Long:
      return a;
    case VType::Single:
      return Value::single(static_cast<float>(op(a.rawSingle())));
    case VType::Double:
      return Value(op(a.rawDouble()));
    case VType::String:
      return Value(op(a.toDouble()));
  }
  return a;
}
}  // namespace

Value intPart(const Value& a) {
  return roundingPart(a, [](double d) { return std::floor(d); });
}
Value fixPart(const Value& a) {
  return roundingPart(a, [](double d) { return std::trunc(d); });
}

Value absolute(const Value& a) {
  switch (a.type()) {
    case VType::Null:
      return a;
    case VType::Object:
    case VType::Array:
      notScalar(a.type());
    case VType::Empty:
    case VType::Integer:
    case VType::Boolean:
    case VType::Long: {
      const std::int64_t v = a.rawWhole();
      const std::int64_t r = v < 0 ? -v : v;
      if (a.type() == VType::Long) return r > INT32_MAX ? Value(static_cast<double>(r)) : Value::longInt(static_cast<std::int32_t>(r));
      return Value::whole(r);
    }
    case VType::Single:
      return Value::single(std::fabs(a.rawSingle()));
    case VType::Double:
      return Value(std::fabs(a.rawDouble()));
    case VType::String:
      return Value(std::fabs(a.toDouble()));
  }
  return a;
}

Value sign(const Value& a) {
  const Value n = a.toNumber();
  const int c = compareNumeric(n, Value::integer(0));
  return Value::integer(static_cast<std::int16_t>(c));
}

}  // namespace zorvan
