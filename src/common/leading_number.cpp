#include "common/leading_number.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "common/error.h"

namespace zorvan {

double leadingNumber(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') s += c;

  auto digit = [&](std::size_t i) { return i < s.size() && s[i] >= '0' && s[i] <= '9'; };
  std::string number;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) number += s[i++];
  std::size_t mantissaDigits = 0;
  while (digit(i)) number += s[i++], ++mantissaDigits;
  if (i < s.size() && s[i] == '.') {
    number += s[i++];
    while (digit(i)) number += s[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    if (digit(j)) {
      while (digit(j)) exponent += s[j++];
      number += exponent;
    }
  }
  const double d = std::strtod(number.c_str(), nullptr);
  if (!std::isfinite(d)) raise(err::Overflow);
  return d;
}

}  // namespace zorvan
