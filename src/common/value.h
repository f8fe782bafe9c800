#pragma once
// The dynamically typed value shared by the engine, the evaluation and the
// search, with VBScript's arithmetic, comparisons, conversions and text form.
// Every failing operation throws ScriptError (error.h); nothing here yields an
// infinity or a NaN.

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/error.h"

namespace zorvan {

// The kinds of value. Their order lets one comparison find the whole
// numbers and the kinds that share their storage; varType gives VBScript's
// VarType code of each.
enum class VType : std::uint8_t { Empty, Integer, Long, Boolean, Null, Single, Double, Object, String, Array };

// An array is always an array of Variants: vbArray + vbVariant.
constexpr std::int16_t varType(VType t) {
  constexpr std::int16_t kCodes[] = {0, 2, 3, 11, 1, 4, 5, 9, 8, 8204};
  return kCodes[static_cast<int>(t)];
}

// The head of what a String or an array Value shares between its copies.
struct Shared {
  std::uint32_t refs = 1;
};
struct ArrayRep;  // common/array.h

class Value {
 public:
  Value() noexcept : type_(VType::Empty) { u_.d = 0; }
  explicit Value(double d) noexcept : type_(VType::Double) { u_.d = d; }
  static Value integer(std::int16_t v) noexcept { return Value(VType::Integer, low32(v)); }
  static Value longInt(std::int32_t v) noexcept { return Value(VType::Long, low32(v)); }
  static Value single(float v) noexcept { return Value(VType::Single, std::bit_cast<std::uint32_t>(v)); }
  static Value boolean(bool v) noexcept { return Value(VType::Boolean, low32(v ? -1 : 0)); }
  // A number held as a double, as a Value of kind Double, Integer, Long or
  // Boolean, or Empty for any other kind.
  static Value ofKind(VType kind, double v) noexcept {
    switch (kind) {
      case VType::Double: return Value(v);
      case VType::Integer: return integer(static_cast<std::int16_t>(v));
      case VType::Long: return longInt(static_cast<std::int32_t>(v));
      case VType::Boolean: return boolean(v != 0);
      default: return Value();
    }
  }
  // No valid data: arithmetic and comparisons with it give Null again, and
  // reading it as a number or a text fails with "Invalid use of Null".
  static Value null() noexcept { Value r; r.type_ = VType::Null; return r; }
  // The one object a script can hold: no object at all. Reading it as a
  // number or a text fails with "Object variable not set".
  static Value nothing() noexcept { Value r; r.type_ = VType::Object; return r; }
  static Value string(std::string text);
  // Takes over one reference to rep.
  static Value array(ArrayRep* rep) noexcept {
    Value r;
    r.type_ = VType::Array;
    r.u_.a = rep;
    return r;
  }
  // The narrowest of Integer and Long that holds v; Double beyond both.
  static Value whole(std::int64_t v) noexcept;

  Value(const Value& o) noexcept : type_(o.type_), u_(o.u_) {
    if (counted()) ++u_.c->refs;
  }
  Value(Value&& o) noexcept : type_(o.type_), u_(o.u_) { o.type_ = VType::Empty; }
  Value& operator=(const Value& o) noexcept {
    if (o.counted()) ++o.u_.c->refs;
    release();
    type_ = o.type_;
    u_ = o.u_;
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      release();
      type_ = o.type_;
      u_ = o.u_;
      o.type_ = VType::Empty;
    }
    return *this;
  }
  ~Value() { release(); }
  void reset() noexcept {
    release();
    type_ = VType::Empty;
    u_.d = 0;
  }

  // Makes this a Double in place, as *this = Value(d) would.
  void setDouble(double d) noexcept {
    release();
    type_ = VType::Double;
    u_.d = d;
  }

  VType type() const noexcept { return type_; }
  bool isEmpty() const noexcept { return type_ == VType::Empty; }
  bool isNull() const noexcept { return type_ == VType::Null; }
  bool isObject() const noexcept { return type_ == VType::Object; }
  bool isDouble() const noexcept { return type_ == VType::Double; }
  bool isString() const noexcept { return type_ == VType::String; }
  bool isArray() const noexcept { return type_ == VType::Array; }
  // Integer, Long, Boolean and Empty: held as a whole number.
  bool isWhole() const noexcept { return type_ <= VType::Boolean; }

  double rawDouble() const noexcept { return u_.d; }
  float rawSingle() const noexcept { return u_.f; }
  // Integer, Long, Boolean (-1/0) and Empty (0, because its storage is zeroed).
  std::int32_t rawWhole() const noexcept { return type_ == VType::Empty ? 0 : u_.l; }
  // Integer, Long or Boolean, known not to be Empty: no test on the kind.
  std::int32_t rawNonEmptyWhole() const noexcept { return u_.l; }
  std::string_view text() const noexcept { return u_.s->text; }
  // The storage as it stands, and a copy of the Value of a kind and storage,
  // for a holder that refers to a Value while something else keeps it alive.
  std::uint64_t rawBits() const noexcept { return u_.bits; }
  static Value copyOf(VType type, std::uint64_t bits) noexcept {
    Value v(type, bits);
    if (v.counted()) ++v.u_.c->refs;
    return v;
  }
  const ArrayRep& arrayRep() const noexcept { return *u_.a; }
  // The array to change in place: its own copy first while other Values share it.
  ArrayRep& ownArray();

  // Conversions, as VBScript's CDbl, CBool, CInt, CLng, CSng and CStr.
  double toDouble() const;
  bool toBoolean() const;
  std::int16_t toInteger() const;
  std::int32_t toLong() const;
  float toSingle() const;
  std::string toText() const;
  // The numeric value of a number or of a String that spells one; Empty as 0.
  Value toNumber() const;

 private:
  struct StringRep : Shared {
    StringRep(std::string t, std::size_t bytes) : text(std::move(t)), charged(bytes) {}
    std::string text;
    std::size_t charged;  // against the memory budget
  };
  // The narrow kinds are written as all eight bytes of the storage at once: a
  // copy reads all eight, and a read that spans two stores waits for both to
  // retire instead of taking the value from the store buffer.
  Value(VType type, std::uint64_t bits) noexcept : type_(type) { u_.bits = bits; }
  static std::uint64_t low32(std::int32_t v) noexcept { return static_cast<std::uint32_t>(v); }

  bool counted() const noexcept { return type_ >= VType::String; }
  void release() noexcept {
    if (counted() && --u_.c->refs == 0) destroy();
  }
  void destroy() noexcept;
  VType type_;
  union {
    std::int32_t l;
    float f;
    std::uint64_t bits;
    double d;
    Shared* c;
    StringRep* s;
    ArrayRep* a;
  } u_;
};

// The type's name as VBScript's TypeName gives it.
std::string_view typeName(VType t);

// Text form of numbers: at most 15 significant digits for Double, 7 for
// Single, exponent form as C's %G chooses it, a period as decimal separator.
std::string formatDouble(double d);
std::string formatSingle(float f);

// VBScript's reading of a String as a number (CDbl of a String): blanks
// around, a sign, digits, a period, an exponent, or &H/&O. False if it spells none.
bool parseNumericText(std::string_view text, double& out);

namespace detail {
Value addSlow(const Value& a, const Value& b);
Value subSlow(const Value& a, const Value& b);
Value mulSlow(const Value& a, const Value& b);
[[noreturn]] void overflow();
inline double checked(double r) {
  if (!std::isfinite(r)) overflow();
  return r;
}
}  // namespace detail

// Arithmetic. Integer op Integer widens to Long, then Double, instead of overflowing.
namespace detail {
// Both operands as doubles when one is a Double and the other a Double or a
// whole number: then the result is a Double, whatever the operator.
inline bool realPair(const Value& a, const Value& b, double& x, double& y) {
  if (a.isDouble()) {
    x = a.rawDouble();
    if (b.isDouble()) return y = b.rawDouble(), true;
    if (b.isWhole()) return y = b.rawWhole(), true;
    return false;
  }
  if (b.isDouble() && a.isWhole()) return x = a.rawWhole(), y = b.rawDouble(), true;
  return false;
}
}  // namespace detail

namespace detail {
inline bool integers(const Value& a, const Value& b) {
  return a.type() == VType::Integer && b.type() == VType::Integer;
}
// An Integer result, or a Long where it does not fit 16 bits.
inline Value narrowest(std::int32_t r) {
  return r >= -32768 && r <= 32767 ? Value::integer(static_cast<std::int16_t>(r)) : Value::longInt(r);
}
}  // namespace detail

inline Value add(const Value& a, const Value& b) {
  double x, y;
  if (detail::realPair(a, b, x, y)) return Value(detail::checked(x + y));
  if (detail::integers(a, b)) return detail::narrowest(a.rawWhole() + b.rawWhole());
  return detail::addSlow(a, b);
}
inline Value sub(const Value& a, const Value& b) {
  double x, y;
  if (detail::realPair(a, b, x, y)) return Value(detail::checked(x - y));
  if (detail::integers(a, b)) return detail::narrowest(a.rawWhole() - b.rawWhole());
  return detail::subSlow(a, b);
}
inline Value mul(const Value& a, const Value& b) {
  double x, y;
  if (detail::realPair(a, b, x, y)) return Value(detail::checked(x * y));
  return detail::mulSlow(a, b);
}
Value div(const Value& a, const Value& b);     // "/": always Double
Value intDiv(const Value& a, const Value& b);  // "\"
Value mod(const Value& a, const Value& b);
Value power(const Value& a, const Value& b);  // "^": always Double
Value negate(const Value& a);
Value concat(const Value& a, const Value& b);  // "&"

// Comparison as VBScript's operators make it: numbers numerically, Strings
// by their characters, a number below any String, Empty as 0 or "".
int compare(const Value& a, const Value& b);
// Comparison of two numbers: a String is read as a number or the
// comparison fails with a type mismatch.
int compareNumbers(const Value& a, const Value& b);

Value logicalNot(const Value& a);
Value logicalAnd(const Value& a, const Value& b);
Value logicalOr(const Value& a, const Value& b);
Value logicalXor(const Value& a, const Value& b);
Value logicalEqv(const Value& a, const Value& b);
Value logicalImp(const Value& a, const Value& b);
// "Is": whether two objects are the same one; anything but an object fails.
Value sameObject(const Value& a, const Value& b);

// VBScript's Int, Fix, Abs and Sgn: the result keeps the argument's kind
// (Sgn gives an Integer).
Value intPart(const Value& a);
Value fixPart(const Value& a);
Value absolute(const Value& a);
Value sign(const Value& a);

}  // namespace zorvan
