#include "eval/vbscript/builtins/format_number.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <string>

#include "common/error.h"

namespace zorvan::vbs {

namespace {

constexpr int kDefaultDigits = 2;
constexpr int kMaxDigits = 255;

// A tristate argument: -2 takes the default.
bool tristate(const Value* args, std::size_t n, std::size_t i, bool byDefault) {
  if (i >= n) return byDefault;
  const std::int32_t v = args[i].toLong();
  return v == -2 ? byDefault : v != 0;
}

// |d| as decimal digits and the power of ten of the first: 15 significant
// digits, as the number's own text has them.
std::string significantDigits(double d, int& exponent) {
  std::array<char, 40> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), std::abs(d), std::chars_format::scientific, 14);
  const std::string text(buf.data(), end);  // d.dddddddddddddde±x
  const std::size_t e = text.find('e');
  exponent = std::atoi(text.c_str() + e + 1);
  std::string digits;
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') digits += text[i];
  return digits;
}

}  // namespace

Value fnFormatNumber(const Value* args, std::size_t n) {
  const double d = args[0].toDouble();
  const std::int32_t requested = n > 1 ? args[1].toLong() : -1;
  if (requested < -1 || requested > kMaxDigits) raise(err::InvalidCall);
  const int decimals = requested == -1 ? kDefaultDigits : requested;
  const bool leadingDigit = tristate(args, n, 2, true);
  const bool parens = tristate(args, n, 3, false);
  const bool group = tristate(args, n, 4, true);

  // The digits at and above 10^-decimals, rounded half away from zero.
  std::string whole = "0", fraction(static_cast<std::size_t>(decimals), '0');
  if (d != 0) {
    int exponent = 0;
    const std::string digits = significantDigits(d, exponent);
    // Place the digits on a line of powers of ten: index k is 10^(exponent - k).
    const int keep = exponent + 1 + decimals;  // how many of them stand at or above 10^-decimals
    std::string kept;
    if (keep > 0) {
      kept = digits.substr(0, static_cast<std::size_t>(std::min<int>(keep, static_cast<int>(digits.size()))));
      kept.append(static_cast<std::size_t>(std::max(0, keep - static_cast<int>(digits.size()))), '0');
    }
    const bool roundUp = keep >= 0 && keep < static_cast<int>(digits.size()) && digits[static_cast<std::size_t>(keep)] >= '5';
    if (roundUp) {
      int i = static_cast<int>(kept.size()) - 1;
      for (; i >= 0 && kept[static_cast<std::size_t>(i)] == '9'; --i) kept[static_cast<std::size_t>(i)] = '0';
      if (i >= 0) ++kept[static_cast<std::size_t>(i)];
      else kept.insert(kept.begin(), '1');
    }
    // kept holds the number times 10^decimals; split it at the decimal point.
    if (kept.size() < static_cast<std::size_t>(decimals) + 1) kept.insert(0, static_cast<std::size_t>(decimals) + 1 - kept.size(), '0');
    whole = kept.substr(0, kept.size() - static_cast<std::size_t>(decimals));
    fraction = kept.substr(kept.size() - static_cast<std::size_t>(decimals));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  }
  const bool negative = d < 0 && (whole != "0" || fraction.find_first_not_of('0') != std::string::npos);
  if (group)
    for (std::size_t at = whole.size(); at > 3; at -= 3) whole.insert(at - 3, 1, ',');
  std::string out = (whole == "0" && !leadingDigit && decimals > 0) ? std::string() : whole;
  if (decimals > 0) out += "." + fraction;
  if (negative) out = parens ? "(" + out + ")" : "-" + out;
  return Value::string(std::move(out));
}

}  // namespace zorvan::vbs
