#include "common/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace zorvan {

namespace {
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The power of ten of the leading digit of a decimal that from_chars found
// beyond range, to tell overflow from underflow.
long decimalMagnitude(std::string_view t) {
  long position = 0;  // digits before the period, counting from the first non-zero one
  bool seenNonZero = false, afterPoint = false;
  long leadingFractionZeros = 0;
  std::size_t i = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '.') {
      afterPoint = true;
    } else if (isDigit(c)) {
      if (c != '0') seenNonZero = true;
      if (!afterPoint && seenNonZero) ++position;
      if (afterPoint && !seenNonZero) ++leadingFractionZeros;
    } else {
      break;
    }
  }
  long exponent = 0;
  if (i < t.size()) {
    ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    for (; i < t.size() && isDigit(t[i]); ++i) exponent = std::min(exponent * 10 + (t[i] - '0'), 100000L);
    if (negative) exponent = -exponent;
  }
  return (position > 0 ? position - 1 : -leadingFractionZeros - 1) + exponent;
}
}  // namespace

DecimalScan scanDecimal(std::string_view t, bool allowD) {
  DecimalScan scan;
  std::size_t i = 0, digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    scan.whole = false;
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return {};
  if (i < t.size()) {
    const char e = t[i];
    if (e == 'e' || e == 'E' || (allowD && (e == 'd' || e == 'D'))) {
      std::size_t k = i + 1;
      if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
      if (k < t.size() && isDigit(t[k])) {
        while (k < t.size() && isDigit(t[k])) ++k;
        scan.whole = false;
        i = k;
      }
    }
  }
  scan.length = i;
  return scan;
}

double decimalValue(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // from_chars knows only E: a D exponent is the same thing. Copy only then.
  std::string normal;
  if (const std::size_t at = text.find_first_of("dD"); at != std::string_view::npos) {
    normal.assign(text);
    normal[at] = 'e';
    text = normal;
  }
  double d = 0;
  const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), d, std::chars_format::general);
  if (ec == std::errc::result_out_of_range)
    d = decimalMagnitude(text) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -d : d;
}

std::optional<double> readPlainNumber(std::string_view text) {
  std::string_view body = text;
  if (!body.empty() && (body.front() == '+' || body.front() == '-')) body.remove_prefix(1);
  const DecimalScan scan = scanDecimal(body, false);
  if (scan.length == 0 || scan.length != body.size()) return std::nullopt;
  const double d = decimalValue(text);
  if (!std::isfinite(d)) return std::nullopt;
  return d;
}

std::string writeG(double d, int digits) {
  if (d == 0) return "0";
  std::array<char, 64> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), d, std::chars_format::general, digits);
  std::string s(buf.data(), ec == std::errc() ? end : buf.data());
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

std::string writeUnsigned(unsigned long v, int base) {
  std::array<char, 32> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v, base);
  std::string s(buf.data(), ec == std::errc() ? end : buf.data());
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string writeGrouped(long long n) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, ',');
  return n < 0 ? "-" + digits : digits;
}

std::string writeShortest(double d) {
  std::array<char, 64> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), d);
  return std::string(buf.data(), ec == std::errc() ? end : buf.data());
}

}  // namespace zorvan
