#include "eval/vbscript/builtins/text_functions.h"

#include <algorithm>
#include <string>

#include "common/abort.h"
#include "common/array.h"
#include "common/error.h"
#include "common/limits.h"
#include "eval/vbscript/builtins/text_search.h"

namespace zorvan::vbs {

namespace {

// A compare argument: binary (false) or text (true); anything else is refused.
bool textCompare(const Value& a) {
  const std::int32_t c = a.toLong();
  if (c != 0 && c != 1) raise(err::InvalidCall);
  return c == 1;
}

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string foldedText(std::string s, bool text) {
  if (!text) return s;
  for (std::size_t at = 0; at < s.size(); at += kAbortCheckStride) {
    stopIfAborted();
    const auto end = s.begin() + static_cast<std::ptrdiff_t>(std::min(s.size(), at + kAbortCheckStride));
    std::transform(s.begin() + static_cast<std::ptrdiff_t>(at), end, s.begin() + static_cast<std::ptrdiff_t>(at), folded);
  }
  return s;
}

// Null for either string gives Null.
bool eitherNull(const Value& a, const Value& b) { return a.isNull() || b.isNull(); }

std::int32_t position(std::size_t p) { return p == std::string::npos ? 0 : static_cast<std::int32_t>(p + 1); }

// The elements of a one-dimensional array, as Join and Filter take it.
const std::vector<Value>& listOf(const Value& a) {
  if (a.isNull()) raise(err::InvalidUseOfNull);
  if (!a.isArray()) raise(err::TypeMismatch);
  if (a.arrayRep().upper.size() != 1) raise(err::InvalidCall);
  return a.arrayRep().items;
}

}  // namespace

Value fnInStr(const Value* args, std::size_t n) {
  // InStr(s1, s2) or InStr(start, s1, s2[, compare]).
  std::size_t i = 0;
  std::int32_t start = 1;
  if (n > 2) start = args[i++].toLong();
  if (start < 1) raise(err::InvalidCall);
  if (eitherNull(args[i], args[i + 1])) return Value::null();
  const bool text = n > 3 && textCompare(args[3]);
  const std::string hay = foldedText(args[i].toText(), text), needle = foldedText(args[i + 1].toText(), text);
  // Nothing to search, or a start past its end, finds nothing; an empty
  // string to find is found at the start.
  if (hay.empty() || static_cast<std::size_t>(start) > hay.size()) return Value::longInt(0);
  return Value::longInt(position(TextFinder(needle).findIn(hay, static_cast<std::size_t>(start - 1))));
}

Value fnInStrRev(const Value* args, std::size_t n) {
  // InStrRev(s1, s2[, start[, compare]]): the last match that ends by start.
  std::int32_t start = n > 2 ? args[2].toLong() : -1;
  if (start == 0 || start < -1) raise(err::InvalidCall);
  if (eitherNull(args[0], args[1])) return Value::null();
  const bool text = n > 3 && textCompare(args[3]);
  const std::string hay = foldedText(args[0].toText(), text), needle = foldedText(args[1].toText(), text);
  if (start == -1) start = static_cast<std::int32_t>(hay.size());
  if (hay.empty() || static_cast<std::size_t>(start) > hay.size()) return Value::longInt(0);
  if (needle.empty()) return Value::longInt(start);
  if (needle.size() > static_cast<std::size_t>(start)) return Value::longInt(0);
  return Value::longInt(position(findLast(hay, needle, static_cast<std::size_t>(start) - needle.size())));
}

Value fnReplace(const Value* args, std::size_t n) {
  // Replace(expression, find, with[, start[, count[, compare]]]). The result
  // begins at start: what stands before it is left out, as VBScript does.
  const std::string expression = args[0].toText(), find = args[1].toText(), with = args[2].toText();
  const std::int32_t start = n > 3 ? args[3].toLong() : 1;
  const std::int32_t count = n > 4 ? args[4].toLong() : -1;
  if (start < 1 || count < -1) raise(err::InvalidCall);
  const bool text = n > 5 && textCompare(args[5]);
  if (static_cast<std::size_t>(start) > expression.size()) return Value::string({});
  const std::string rest = expression.substr(static_cast<std::size_t>(start - 1));
  if (find.empty() || count == 0) return Value::string(rest);
  const std::string hay = foldedText(rest, text);
  const TextFinder needle(foldedText(find, text));
  std::string out;
  std::size_t from = 0;
  for (std::int32_t done = 0; count == -1 || done < count; ++done) {
    if (done % 4096 == 4095) stopIfAborted();
    const std::size_t at = needle.findIn(hay, from);
    if (at == std::string::npos) break;
    out.append(rest, from, at - from);
    out += with;
    if (out.size() > kMaxStringLength) raise(err::OutOfStringSpace);
    from = at + find.size();
  }
  out.append(rest, from, std::string::npos);
  return Value::string(std::move(out));
}

Value fnStrComp(const Value* args, std::size_t n) {
  if (eitherNull(args[0], args[1])) return Value::null();
  const bool text = n > 2 && textCompare(args[2]);
  const std::string a = foldedText(args[0].toText(), text), b = foldedText(args[1].toText(), text);
  stopIfAborted();
  // Byte by byte, unsigned, as a binary comparison orders them.
  const int c = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                             [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); })
                    ? -1
                    : (a == b ? 0 : 1);
  return Value::integer(static_cast<std::int16_t>(c));
}

Value fnSplit(const Value* args, std::size_t n) {
  // Split(expression[, delimiter[, count[, compare]]]): at most count parts,
  // the last holding the rest; an empty expression gives no part at all.
  const std::string expression = args[0].toText();
  const std::string delimiter = n > 1 ? args[1].toText() : " ";
  const std::int32_t count = n > 2 ? args[2].toLong() : -1;
  if (count < -1) raise(err::InvalidCall);
  const bool text = n > 3 && textCompare(args[3]);
  std::vector<Value> parts;
  if (expression.empty() || count == 0) return arrayOf(std::move(parts));
  const std::string hay = foldedText(expression, text);
  const TextFinder needle(foldedText(delimiter, text));
  std::size_t from = 0;
  while (!delimiter.empty() && (count == -1 || parts.size() + 1 < static_cast<std::size_t>(count))) {
    if (parts.size() % 4096 == 4095) stopIfAborted();
    const std::size_t at = needle.findIn(hay, from);
    if (at == std::string::npos) break;
    // No more parts than an array may hold are ever made.
    if (parts.size() >= kMaxArrayElements) raise(err::OutOfMemory);
    parts.push_back(Value::string(expression.substr(from, at - from)));
    from = at + delimiter.size();
  }
  parts.push_back(Value::string(expression.substr(from)));
  return arrayOf(std::move(parts));
}

Value fnJoin(const Value* args, std::size_t n) {
  const std::vector<Value>& items = listOf(args[0]);
  const std::string delimiter = n > 1 ? args[1].toText() : " ";
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i % 4096 == 4095 || out.size() / kAbortCheckStride != (out.size() + delimiter.size()) / kAbortCheckStride)
      stopIfAborted();
    if (i > 0) out += delimiter;
    out += items[i].toText();
    if (out.size() > kMaxStringLength) raise(err::OutOfStringSpace);
  }
  return Value::string(std::move(out));
}

Value fnFilter(const Value* args, std::size_t n) {
  // Filter(strings, value[, include[, compare]]): the elements that hold
  // value, or with include False the ones that do not.
  const std::vector<Value>& items = listOf(args[0]);
  const bool include = n > 2 ? args[2].toBoolean() : true;
  const bool text = n > 3 && textCompare(args[3]);
  const TextFinder needle(foldedText(args[1].toText(), text));
  std::vector<Value> kept;
  for (const Value& item : items) {
    stopIfAborted();
    std::string s = item.toText();
    if ((needle.findIn(foldedText(s, text)) != std::string::npos) == include) kept.push_back(Value::string(std::move(s)));
  }
  return arrayOf(std::move(kept));
}

}  // namespace zorvan::vbs
