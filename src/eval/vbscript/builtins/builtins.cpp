#include "eval/vbscript/builtins/builtins.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/abort.h"
#include "common/array.h"
#include "common/limits.h"
#include "common/number_text.h"
#include "eval/vbscript/builtins/format_number.h"
#include "eval/vbscript/plan/numeric_kernels.h"
#include "eval/vbscript/builtins/random_functions.h"
#include "eval/vbscript/builtins/text_functions.h"

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
  if (!inLogDomain(d)) raise(err::InvalidCall);
  return Value(std::log(d));
}
Value fnSqr(const Value& a) {
  const double d = number(a);
  if (!inSqrDomain(d)) raise(err::InvalidCall);
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
  // Null for either argument gives Null, as VBScript's reference says.
  if (args[0].isNull() || args[1].isNull()) return Value::null();
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

// One-argument functions are called through their unary entry only.
#define UNARY(key, name, fn) Builtin{key, name, 1, 1, nullptr, fn}
#define MATH(key, name, fn, kernel) Builtin{key, name, 1, 1, nullptr, fn, kernel}
#define MULTI(key, name, lo, hi, fn) Builtin{key, name, lo, hi, fn, nullptr}
#define STATEFUL(key, name, lo, hi, fn) Builtin{key, name, lo, hi, fn, nullptr, nullptr, Special::None, true}
// Compiled as instructions of their own rather than called.
#define SPECIAL(key, name, lo, hi, kind) Builtin{key, name, lo, hi, nullptr, nullptr, nullptr, kind}

constexpr std::array kBuiltins{
    MATH("abs", "Abs", fnAbs, absKernel),
    SPECIAL("array", "Array", 0, 0, Special::Array),
    UNARY("asc", "Asc", fnAsc),
    MATH("atn", "Atn", fnAtn, atnKernel),
    UNARY("cbool", "CBool", fnCBool),
    UNARY("cdbl", "CDbl", fnCDbl),
    UNARY("chr", "Chr", fnChr),
    UNARY("cint", "CInt", fnCInt),
    MULTI("createobject", "CreateObject", 1, 2, fnCreateObject),
    UNARY("clng", "CLng", fnCLng),
    MATH("cos", "Cos", fnCos, cosKernel),
    UNARY("csng", "CSng", fnCSng),
    UNARY("cstr", "CStr", fnCStr),
    SPECIAL("eval", "Eval", 1, 1, Special::Eval),
    SPECIAL("execute", "Execute", 1, 1, Special::Execute),
    SPECIAL("executeglobal", "ExecuteGlobal", 1, 1, Special::ExecuteGlobal),
    MATH("exp", "Exp", fnExp, expKernel),
    MULTI("filter", "Filter", 2, 4, fnFilter),
    MATH("fix", "Fix", fnFix, fixKernel),
    MULTI("formatnumber", "FormatNumber", 1, 5, fnFormatNumber),
    MULTI("getobject", "GetObject", 0, 2, fnGetObject),
    UNARY("hex", "Hex", fnHex),
    MULTI("instr", "InStr", 2, 4, fnInStr),
    MULTI("instrrev", "InStrRev", 2, 4, fnInStrRev),
    MATH("int", "Int", fnInt, intKernel),
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
    MATH("log", "Log", fnLog, logKernel),
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
    MATH("sin", "Sin", fnSin, sinKernel),
    UNARY("space", "Space", fnSpace),
    MULTI("split", "Split", 1, 4, fnSplit),
    MATH("sqr", "Sqr", fnSqr, sqrKernel),
    MULTI("strcomp", "StrComp", 2, 3, fnStrComp),
    UNARY("strreverse", "StrReverse", fnStrReverse),
    MULTI("string", "String", 2, 2, fnString),
    MATH("tan", "Tan", fnTan, tanKernel),
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

namespace {
struct ConstantEntry {
  std::string_view key, name;
  int kind;  // 0 whole number, 1 text
  std::int32_t number;
  std::string_view text;
};
constexpr std::array kConstants{
    ConstantEntry{"vbcrlf", "vbCrLf", 1, 0, "\r\n"},
    ConstantEntry{"vbnewline", "vbNewLine", 1, 0, "\r\n"},
    ConstantEntry{"vbcr", "vbCr", 1, 0, "\r"},
    ConstantEntry{"vblf", "vbLf", 1, 0, "\n"},
    ConstantEntry{"vbtab", "vbTab", 1, 0, "\t"},
    ConstantEntry{"vbnullstring", "vbNullString", 1, 0, ""},
    ConstantEntry{"vbnullchar", "vbNullChar", 1, 0, std::string_view("\0", 1)},
    ConstantEntry{"vbtrue", "vbTrue", 0, -1, {}},
    ConstantEntry{"vbfalse", "vbFalse", 0, 0, {}},
    ConstantEntry{"vbempty", "vbEmpty", 0, 0, {}},
    ConstantEntry{"vbinteger", "vbInteger", 0, 2, {}},
    ConstantEntry{"vblong", "vbLong", 0, 3, {}},
    ConstantEntry{"vbsingle", "vbSingle", 0, 4, {}},
    ConstantEntry{"vbdouble", "vbDouble", 0, 5, {}},
    ConstantEntry{"vbstring", "vbString", 0, 8, {}},
    ConstantEntry{"vbboolean", "vbBoolean", 0, 11, {}},
    ConstantEntry{"vbbinarycompare", "vbBinaryCompare", 0, 0, {}},
    ConstantEntry{"vbtextcompare", "vbTextCompare", 0, 1, {}},
    ConstantEntry{"vbobjecterror", "vbObjectError", 0, -2147221504, {}},
};
}  // namespace

std::optional<Value> findBuiltinConstant(std::string_view key) {
  for (const auto& c : kConstants)
    if (c.key == key) {
      if (c.kind == 1) return Value::string(std::string(c.text));
      return Value::whole(c.number);
    }
  return std::nullopt;
}

std::span<const Builtin> allBuiltins() { return kBuiltins; }

std::optional<Value> builtinDefault(std::string_view key, std::size_t i) {
  struct Entry {
    std::string_view key;
    std::size_t position;
    int kind;  // 0 whole number, 1 text, 2 Boolean
    std::int32_t number;
    std::string_view text;
  };
  // -1 and -2 are FormatNumber's "as the computer's settings say" (UseDefault).
  static constexpr Entry kDefaults[] = {
      {"formatnumber", 1, 0, -1, {}}, {"formatnumber", 2, 0, -2, {}}, {"formatnumber", 3, 0, -2, {}},
      {"formatnumber", 4, 0, -2, {}}, {"instr", 0, 0, 1, {}},        {"instr", 3, 0, 0, {}},
      {"instrrev", 2, 0, -1, {}},     {"instrrev", 3, 0, 0, {}},     {"replace", 3, 0, 1, {}},
      {"replace", 4, 0, -1, {}},      {"replace", 5, 0, 0, {}},      {"split", 1, 1, 0, " "},
      {"split", 2, 0, -1, {}},        {"split", 3, 0, 0, {}},        {"filter", 2, 2, -1, {}},
      {"filter", 3, 0, 0, {}},        {"strcomp", 2, 0, 0, {}},      {"round", 1, 0, 0, {}},
      {"join", 1, 1, 0, " "},         {"lbound", 1, 0, 1, {}},       {"ubound", 1, 0, 1, {}},
  };
  for (const Entry& e : kDefaults)
    if (e.key == key && e.position == i) {
      if (e.kind == 1) return Value::string(std::string(e.text));
      if (e.kind == 2) return Value::boolean(e.number != 0);
      return Value::whole(e.number);
    }
  return std::nullopt;
}

std::vector<std::string_view> builtinConstantNames() {
  std::vector<std::string_view> names;
  for (const auto& c : kConstants) names.push_back(c.name);
  return names;
}

BuiltinHelp helpFor(const Builtin& b) {
  struct Entry {
    std::string_view key;
    BuiltinHelp help;
  };
  static constexpr Entry kHelp[] = {
      {"abs", {"number", "The number without its sign."}},
      {"array", {"value, ...", "An array of the values given."}},
      {"asc", {"text", "The character code of the text's first character."}},
      {"atn", {"number", "The arctangent, in radians."}},
      {"cbool", {"value", "The value as a Boolean."}},
      {"cdbl", {"value", "The value as a Double."}},
      {"chr", {"code", "The character of that code."}},
      {"cint", {"value", "The value as an Integer, halves to even."}},
      {"createobject", {"class[, server]", "Fails: no object can be reached from the function."}},
      {"clng", {"value", "The value as a Long, halves to even."}},
      {"cos", {"angle", "The cosine of an angle in radians."}},
      {"csng", {"value", "The value as a Single."}},
      {"cstr", {"value", "The value as text."}},
      {"eval", {"text", "The value of the expression in the text."}},
      {"execute", {"text", "Runs the statements in the text, with this procedure's variables."}},
      {"executeglobal", {"text", "Runs the statements in the text at the global level."}},
      {"exp", {"number", "e raised to the number."}},
      {"filter", {"array, text[, include[, compare]]", "The elements that hold the text (or, include False, that do not)."}},
      {"fix", {"number", "The whole part, toward zero."}},
      {"formatnumber", {"number[, decimals[, leading[, parentheses[, group]]]]", "The number as text, with a period as the decimal separator."}},
      {"getobject", {"[path[, class]]", "Fails: no object can be reached from the function."}},
      {"hex", {"number", "The number in hexadecimal."}},
      {"instr", {"[start, ]text, find[, compare]", "Where find first stands in text, from 1; 0 if nowhere."}},
      {"instrrev", {"text, find[, start[, compare]]", "Where find last stands in text; 0 if nowhere."}},
      {"int", {"number", "The largest whole number not above the number."}},
      {"isarray", {"value", "Whether the value is an array."}},
      {"isempty", {"value", "Whether the value is Empty."}},
      {"isnull", {"value", "Whether the value is Null."}},
      {"isnumeric", {"value", "Whether the value reads as a number."}},
      {"isobject", {"value", "Whether the value is an object (Nothing is)."}},
      {"join", {"array[, delimiter]", "The elements joined into one text."}},
      {"lbound", {"array[, dimension]", "The lowest index, always 0."}},
      {"lcase", {"text", "The text in lower case."}},
      {"left", {"text, length", "The first characters of the text."}},
      {"len", {"text", "The number of characters."}},
      {"log", {"number", "The natural logarithm of a number above 0."}},
      {"ltrim", {"text", "The text without its leading spaces."}},
      {"mid", {"text, start[, length]", "Part of the text, from start (from 1)."}},
      {"oct", {"number", "The number in octal."}},
      {"randomize", {"[seed]", "Seeds the generator that Rnd draws from."}},
      {"replace", {"text, find, with[, start[, count[, compare]]]", "The text with find replaced."}},
      {"right", {"text, length", "The last characters of the text."}},
      {"rnd", {"[number]", "A random number from 0 up to 1."}},
      {"round", {"number[, decimals]", "The number rounded, halves to even."}},
      {"rtrim", {"text", "The text without its trailing spaces."}},
      {"sgn", {"number", "-1, 0 or 1 by the sign of the number."}},
      {"sin", {"angle", "The sine of an angle in radians."}},
      {"space", {"count", "That many spaces."}},
      {"split", {"text[, delimiter[, count[, compare]]]", "An array of the parts of the text."}},
      {"sqr", {"number", "The square root of a number not below 0."}},
      {"strcomp", {"text1, text2[, compare]", "-1, 0 or 1 as text1 sorts before, with or after text2."}},
      {"strreverse", {"text", "The text backwards."}},
      {"string", {"count, character", "The character that many times."}},
      {"tan", {"angle", "The tangent of an angle in radians."}},
      {"timer", {"", "The seconds since midnight."}},
      {"trim", {"text", "The text without leading and trailing spaces."}},
      {"typename", {"value", "The name of the value's type."}},
      {"ubound", {"array[, dimension]", "The highest index."}},
      {"ucase", {"text", "The text in upper case."}},
      {"vartype", {"value", "The number of the value's type."}},
  };
  for (const Entry& e : kHelp)
    if (e.key == b.key) return e.help;
  return {};
}

}  // namespace zorvan::vbs
