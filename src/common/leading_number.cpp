#include "common/leading_number.h"

#include <cmath>
#include <string>

#include "common/error.h"
#include "common/number_text.h"

namespace zorvan {

double leadingNumber(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  const std::size_t sign = !s.empty() && (s[0] == '+' || s[0] == '-') ? 1 : 0;
  const DecimalScan scan = scanDecimal(std::string_view(s).substr(sign), true);
  if (scan.length == 0) return 0;
  const double d = decimalValue(std::string_view(s).substr(0, sign + scan.length));
  if (!std::isfinite(d)) raise(err::Overflow);
  return d;
}

}  // namespace zorvan
