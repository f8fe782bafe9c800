#include "eval/vbscript/builtins.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/abort.h"
#include "common/array.h"
#include "common/limits.h"
#include "common/number_text.h"
#include "eval/vbscript/format_number.h"
#include "eval/vbscript/numeric_kernels.h"
#include "eval/vbscript/random_functions.h"
#include "eval/vbscript/text_functions.h"

namespace zorvan::vbs {

namespace {

double number(const Value& a) { return a.isDouble() ? a.rawDouble() : a.toDouble(); }

// Math.
Value fnSin(const Value& a) { return Value(std::sin(number(a))); }
Value fnCos(const Value& a) { return Value(std::cos(number(a))); }
Value fnTan(const Value& a) { return Value(detail::checked(std::tan(number(a)))); }
Value fnAtn(const Value& a) { return Value(std::atan(number(a))); }
Value fnExp(const Value& a) { return Value(detail::checked(std::exp(number(a)))); }
Value fnLog(const Value& a) {
  const double d = number(a);
  if (!(d > 0)) raise(err::InvalidCall);
  return Value(std::log(d));
}
Value fnSqr(const Value& a) {
  const double d = number(a);
  if (d < 0) raise(err::InvalidCall);
  return Value(std::sqrt(d));
}
Value fnAbs(const Value& a) { return absolute(a); }
Value fnSgn(const Value& a) { return sign(a); }
Value fnInt(const Value& a) { return intPart(a); }
Value fnFix(const Value& a) { return fixPart(a); }

// Round with banker's rounding of halves, to a number of decimals.
Value fnRound(const Value* args, std::size_t count) {
  const Value& a = args[0];
  if (a.isNull()) return a;
  const std::int32_t digits = count > 1 ? args[1].toLong() : 0;
  if (digits < 0) raise(err::InvalidCall);
  if (a.type() == VType::Integer || a.type() == VType::Long) return a;
  if (a.type() == VType::Empty || a.type() == VType::Boolean)
    return Value::integer(static_cast<std::int16_t>(a.rawWhole()));
  const double d = a.toDouble();
  double r = d;
  if (digits <= 15) {
    const double scale = std::pow(10.0, digits);
    const double scaled = d * scale;
    if (std::isfinite(scaled)) r = std::nearbyint(scaled) / scale;
  }
  if (a.type() == VType::Single) return Value::single(static_cast<float>(r));
  return Value(r);
}

// Objects: none is ever reachable from the user's function.
Value fnCreateObject(const Value* args, std::size_t) { raise(err::CannotCreateObject, args[0].toText()); }
Value fnGetObject(const Value* args, std::size_t n) {
  if (n == 0) raise(err::CannotCreateObject);
  raise(err::CannotCreateObject, n > 1 ? args[1].toText() : args[0].toText());
}

// Conversions.
Value fnCBool(const Value& a) { return Value::boolean(a.toBoolean()); }
Value fnCDbl(const Value& a) { return Value(a.toDouble()); }
Value fnCInt(const Value& a) { return Value::integer(a.toInteger()); }
Value fnCLng(const Value& a) { return Value::longInt(a.toLong()); }
Value fnCSng(const Value& a) { return Value::single(a.toSingle()); }
Value fnCStr(const Value& a) { return Value::string(a.toText()); }

std::uint32_t bitPattern(const Value& a, bool& narrow) {
  narrow = a.type() == VType::Integer || a.type() == VType::Boolean || a.type() == VType::Empty;
  const std::int32_t v = narrow ? a.rawWhole() : a.toLong();
  return narrow ? static_cast<std::uint16_t>(v) : static_cast<std::uint32_t>(v);
}
Value fnHex(const Value& a) {
  if (a.isNull()) return a;
  bool narrow;
  return Value::string(writeUnsigned(bitPattern(a, narrow), 16));
}
Value fnOct(const Value& a) {
  if (a.isNull()) return a;
  bool narrow;
  return Value::string(writeUnsigned(bitPattern(a, narrow), 8));
}

// Inspection.
Value fnIsEmpty(const Value& a) { return Value::boolean(a.isEmpty()); }
Value fnIsNumeric(const Value& a) {
  if (a.isNull() || a.isArray() || a.isObject()) return Value::boolean(false);
  if (!a.isString()) return Value::boolean(true);
  double d;
  return Value::boolean(parseNumericText(a.text(), d));
}
Value fnIsNull(const Value& a) { return Value::boolean(a.isNull()); }
Value fnIsArray(const Value& a) { return Value::boolean(a.isArray()); }

// Arrays.
std::int32_t dimensionArgument(const Value* args, std::size_t n) { return n > 1 ? args[1].toLong() : 1; }
Value fnUBound(const Value* args, std::size_t n) {
  return Value::longInt(upperBound(args[0], dimensionArgument(args, n)));
}
Value fnLBound(const Value* args, std::size_t n) {
  return Value::longInt(lowerBound(args[0], dimensionArgument(args, n)));
}
Value fnIsObject(const Value& a) { return Value::boolean(a.isObject()); }
Value fnTypeName(const Value& a) { return Value::string(std::string(typeName(a.type()))); }
Value fnVarType(const Value& a) { return Value::integer(varType(a.type())); }

// Strings.
std::int32_t count(const Value& a) {
  const std::int32_t n = a.toLong();
  if (n < 0) raise(err::InvalidCall);
  return n;
}
// The string functions give Null for a Null string.
Value fnLen(const Value& a) {
  if (a.isNull()) return a;
  if (a.isString()) return Value::longInt(static_cast<std::int32_t>(a.text().size()));
  return Value::longInt(static_cast<std::int32_t>(a.toText().size()));
}
Value fnLeft(const Value* args, std::size_t) {
  if (args[0].isNull()) return args[0];
  const std::string s = args[0].toText();
  return Value::string(s.substr(0, static_cast<std::size_t>(count(args[1]))));
}
Value fnRight(const Value* args, std::size_t) {
  if (args[0].isNull()) return args[0];
  const std::string s = args[0].toText();
  const auto n = std::min(s.size(), static_cast<std::size_t>(count(args[1])));
  return Value::string(s.substr(s.size() - n));
}
Value fnMid(const Value* args, std::size_t n) {
  if (args[0].isNull()) return args[0];
  const std::string s = args[0].toText();
  const std::int32_t start = args[1].toLong();
  if (start < 1) raise(err::InvalidCall);
  const std::size_t from = static_cast<std::size_t>(start - 1);
  if (from >= s.size()) return Value::string({});
  const std::size_t len = n > 2 ? static_cast<std::size_t>(count(args[2])) : std::string::npos;
  return Value::string(s.substr(from, len));
}
Value mapChars(const Value& a, char (*f)(char)) {
  if (a.isNull()) return a;
  std::string s = a.toText();
  for (std::size_t at = 0; at < s.size(); at += kAbortCheckStride) {
    stopIfAborted();
    const auto from = s.begin() + static_cast<std::ptrdiff_t>(at);
    std::transform(from, s.begin() + static_cast<std::ptrdiff_t>(std::min(s.size(), at + kAbortCheckStride)), from, f);
  }
  return Value::string(std::move(s));
}
Value fnLCase(const Value& a) {
  return mapChars(a, [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
}
Value fnUCase(const Value& a) {
  return mapChars(a, [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
}
Value trimmed(const Value& a, bool left, bool right) {
  if (a.isNull()) return a;
  const std::string s = a.toText();
  std::size_t b = 0, e = s.size();
  if (left)
    while (b < e && s[b] == ' ') ++b;
  if (right)
    while (e > b && s[e - 1] == ' ') --e;
  return Value::string(s.substr(b, e - b));
}
Value fnTrim(const Value& a) { return trimmed(a, true, true); }
Value fnLTrim(const Value& a) { return trimmed(a, true, false); }
Value fnRTrim(const Value& a) { return trimmed(a, false, true); }
Value repeated(std::int32_t n, char c) {
  if (static_cast<std::size_t>(n) > kMaxStringLength) raise(err::OutOfStringSpace);
  stopIfAborted();
  std::string s;
  s.reserve(static_cast<std::size_t>(n));
  for (std::size_t left = static_cast<std::size_t>(n); left > 0;) {
    const std::size_t piece = std::min(left, kAbortCheckStride);
    s.append(piece, c);
    left -= piece;
    stopIfAborted();
  }
  return Value::string(std::move(s));
}
Value fnSpace(const Value& a) { return repeated(count(a), ' '); }
Value fnString(const Value* args, std::size_t) {
  const std::int32_t n = count(args[0]);
  const Value& c = args[1];
  if (c.isString()) {
    if (c.text().empty()) raise(err::InvalidCall);
    return repeated(n, c.text().front());
  }
  return repeated(n, static_cast<char>(c.toLong() & 0xFF));
}
Value fnChr(const Value& a) {
  const std::int32_t c = a.toLong();
  if (c < 0 || c > 255) raise(err::InvalidCall);
  return Value::string(std::string(1, static_cast<char>(c)));
}
Value fnAsc(const Value& a) {
  const std::string s = a.toText();
  if (s.empty()) raise(err::InvalidCall);
  return Value::integer(static_cast<std::int16_t>(static_cast<unsigned char>(s.front())));
}
Value fnStrReverse(const Value& a) {
  std::string s = a.toText();
  std::reverse(s.begin(), s.end());
  return Value::string(std::move(s));
}

// One-argument functions are called through their unary entry.
Value unaryOnly(const Value*, std::size_t) { return {}; }


#define UNARY(key, name, fn) Builtin{key, name, 1, 1, unaryOnly, fn}
#define MATH(key, name, fn, kernel, keeps) Builtin{key, name, 1, 1, unaryOnly, fn, kernel, keeps}
#define MULTI(key, name, lo, hi, fn) Builtin{key, name, lo, hi, fn, nullptr}
// Compiled as instructions of their own rather than called.
#define STATEFUL(key, name, lo, hi, fn) Builtin{key, name, lo, hi, fn, nullptr, nullptr, false, Special::None, true}
#define SPECIAL(key, name, lo, hi, kind) Builtin{key, name, lo, hi, unaryOnly, nullptr, nullptr, false, kind}

constexpr std::array kBuiltins{
    MATH("abs", "Abs", fnAbs, absKernel, true),
    SPECIAL("array", "Array", 0, 0, Special::Array),
    UNARY("asc", "Asc", fnAsc),
    MATH("atn", "Atn", fnAtn, atnKernel, false),
    UNARY("cbool", "CBool", fnCBool),
    UNARY("cdbl", "CDbl", fnCDbl),
    UNARY("chr", "Chr", fnChr),
    UNARY("cint", "CInt", fnCInt),
    MULTI("createobject", "CreateObject", 1, 2, fnCreateObject),
    UNARY("clng", "CLng", fnCLng),
    MATH("cos", "Cos", fnCos, cosKernel, false),
    UNARY("csng", "CSng", fnCSng),
    UNARY("cstr", "CStr", fnCStr),
    SPECIAL("eval", "Eval", 1, 1, Special::Eval),
    SPECIAL("execute", "Execute", 1, 1, Special::Execute),
    SPECIAL("executeglobal", "ExecuteGlobal", 1, 1, Special::ExecuteGlobal),
    MATH("exp", "Exp", fnExp, expKernel, false),
    MULTI("filter", "Filter", 2, 4, fnFilter),
    MATH("fix", "Fix", fnFix, fixKernel, true),
    MULTI("formatnumber", "FormatNumber", 1, 5, fnFormatNumber),
    MULTI("getobject", "GetObject", 0, 2, fnGetObject),
    UNARY("hex", "Hex", fnHex),
    MULTI("instr", "InStr", 2, 4, fnInStr),
    MULTI("instrrev", "InStrRev", 2, 4, fnInStrRev),
    MATH("int", "Int", fnInt, intKernel, true),
    UNARY("isarray", "IsArray", fnIsArray),
    UNARY("isempty", "IsEmpty", fnIsEmpty),
    UNARY("isnull", "IsNull", fnIsNull),
    UNARY("isnumeric", "IsNumeric", fnIsNumeric),
    UNARY("isobject", "IsObject", fnIsObject),
    MULTI("join", "Join", 1, 2, fnJoin),
    MULTI("lbound", "LBound", 1, 2, fnLBound),
    UNARY("lcase", "LCase", fnLCase),
    MULTI("left", "Left", 2, 2, fnLeft),
    UNARY("len", "Len", fnLen),
    MATH("log", "Log", fnLog, logKernel, false),
    UNARY("ltrim", "LTrim", fnLTrim),
    MULTI("mid", "Mid", 2, 3, fnMid),
    UNARY("oct", "Oct", fnOct),
    STATEFUL("randomize", "Randomize", 0, 1, fnRandomize),
    MULTI("replace", "Replace", 3, 6, fnReplace),
    MULTI("right", "Right", 2, 2, fnRight),
    STATEFUL("rnd", "Rnd", 0, 1, fnRnd),
    MULTI("round", "Round", 1, 2, fnRound),
    UNARY("rtrim", "RTrim", fnRTrim),
    UNARY("sgn", "Sgn", fnSgn),
    MATH("sin", "Sin", fnSin, sinKernel, false),
    UNARY("space", "Space", fnSpace),
    MULTI("split", "Split", 1, 4, fnSplit),
    MATH("sqr", "Sqr", fnSqr, sqrKernel, false),
    MULTI("strcomp", "StrComp", 2, 3, fnStrComp),
    UNARY("strreverse", "StrReverse", fnStrReverse),
    MULTI("string", "String", 2, 2, fnString),
    MATH("tan", "Tan", fnTan, tanKernel, false),
    STATEFUL("timer", "Timer", 0, 0, fnTimer),
    UNARY("trim", "Trim", fnTrim),
    UNARY("typename", "TypeName", fnTypeName),
    MULTI("ubound", "UBound", 1, 2, fnUBound),
    UNARY("ucase", "UCase", fnUCase),
    UNARY("vartype", "VarType", fnVarType),
};

#undef UNARY
#undef MATH
#undef MULTI
#undef STATEFUL
#undef SPECIAL

// A call evaluates its arguments into a buffer of this size.
static_assert(std::all_of(kBuiltins.begin(), kBuiltins.end(), [](const Builtin& b) { return b.maxArgs <= kMaxBuiltinArgs; }));

}  // namespace

const Builtin* findBuiltin(std::string_view key) {
  for (const auto& b : kBuiltins)
    if (key == b.key) return &b;
  return nullptr;
}

std::optional<Value> findBuiltinConstant(std::string_view key) {
  struct Entry {
    std::string_view key;
    int kind;  // 0 whole number, 1 text
    std::int32_t number;
    std::string_view text;
  };
  static constexpr std::array kConstants{
      Entry{"vbcrlf", 1, 0, "\r\n"},  Entry{"vbnewline", 1, 0, "\r\n"}, Entry{"vbcr", 1, 0, "\r"},
      Entry{"vblf", 1, 0, "\n"},      Entry{"vbtab", 1, 0, "\t"},       Entry{"vbnullstring", 1, 0, ""},
      Entry{"vbnullchar", 1, 0, std::string_view("\0", 1)},
      Entry{"vbtrue", 0, -1, {}},     Entry{"vbfalse", 0, 0, {}},       Entry{"vbempty", 0, 0, {}},
      Entry{"vbinteger", 0, 2, {}},   Entry{"vblong", 0, 3, {}},        Entry{"vbsingle", 0, 4, {}},
      Entry{"vbdouble", 0, 5, {}},    Entry{"vbstring", 0, 8, {}},      Entry{"vbboolean", 0, 11, {}},
      Entry{"vbbinarycompare", 0, 0, {}}, Entry{"vbtextcompare", 0, 1, {}},
  };
  for (const auto& c : kConstants)
    if (c.key == key) {
      if (c.kind == 1) return Value::string(std::string(c.text));
      return Value::whole(c.number);
    }
  return std::nullopt;
}

}  // namespace zorvan::vbs
