#include "common/leading_number.h"

#include <cctype>
#include <cmath>
#include <string>

#include "common/error.h"
#include "common/number_text.h"

namespace zorvan {

namespace {

struct Leading {
  std::string text;        // the box's text without blanks, tabs and line feeds
  std::size_t length = 0;  // of the leading number in it, sign included; 0 for none
  double value = 0;
};

Leading scanLeading(std::string_view text) {
  Leading r;
  r.text.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') r.text += c;
  const std::string_view s = r.text;
  const std::size_t sign = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  const DecimalScan scan = scanDecimal(s.substr(sign), true);
  if (scan.length == 0) return r;
  r.length = sign + scan.length;
  r.value = decimalValue(s.substr(0, r.length));
  return r;
}

}  // namespace

double leadingNumber(std::string_view text) {
  const Leading l = scanLeading(text);
  if (!std::isfinite(l.value)) raise(err::Overflow);
  return l.value;
}

NumberBoxReading readNumberBox(std::string_view text) {
  const Leading l = scanLeading(text);
  if (!std::isfinite(l.value)) return {BoxReading::TooLarge, 0};
  if (l.text.empty()) return {BoxReading::Empty, 0};
  if (l.length == l.text.size()) return {BoxReading::Number, l.value};
  const std::string_view rest = std::string_view(l.text).substr(l.length);
  const bool comma = rest.size() > 1 && rest[0] == ',' && std::isdigit(static_cast<unsigned char>(rest[1]));
  if (comma) return {BoxReading::CommaDecimal, l.value};
  return {l.length == 0 ? BoxReading::NotANumber : BoxReading::TrailingText, l.value};
}

std::string numberBoxNote(const NumberBoxReading& r) {
  const std::string readAs = "Read as " + writeG(r.value, 15);
  switch (r.reading) {
    case BoxReading::Number: return "";
    case BoxReading::Empty: return "Empty: read as 0";
    case BoxReading::CommaDecimal: return readAs + ": use a period as the decimal separator";
    case BoxReading::TrailingText: return readAs + ": the rest is ignored";
    case BoxReading::NotANumber: return readAs + ": not a number";
    case BoxReading::TooLarge: return "Too large for a number: Solve will not run";
  }
  return "";
}

}  // namespace zorvan
