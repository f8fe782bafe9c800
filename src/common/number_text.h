#pragma once
// Every number the program reads from or writes as text goes through here:
// std::from_chars and std::to_chars, so the C locale never matters and the
// period is the decimal separator everywhere.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zorvan {

// The unsigned decimal number at the start of text: digits with at most one
// period, then an exponent (the letter E, or D too where allowD, in either
// case, an optional sign and digits). An exponent letter without digits is
// not part of the number.
struct DecimalScan {
  std::size_t length = 0;  // 0: no digit before or after the period
  bool whole = true;       // neither a period nor an exponent
};
DecimalScan scanDecimal(std::string_view text, bool allowD);

// The value of text that scanDecimal read whole, with an optional leading
// sign: an infinity beyond the double range, zero below it.
double decimalValue(std::string_view text);

// The whole text as one finite decimal number with an optional sign.
std::optional<double> readPlainNumber(std::string_view text);

// As C's "%.*G": at most `digits` significant digits, no trailing zeros,
// the exponent form where the exponent is below -4 or not below `digits`.
// Zero, of either sign, is "0".
std::string writeG(double d, int digits);

// A whole number in base 8 or 16, upper-case digits, no prefix.
std::string writeUnsigned(unsigned long v, int base);

// A count with its thousands grouped by commas: "2,219".
std::string writeGrouped(long long n);

// The shortest text that reads back as exactly d.
std::string writeShortest(double d);

}  // namespace zorvan
