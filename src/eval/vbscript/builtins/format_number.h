#pragma once
// VBScript's FormatNumber: a number with a fixed count of decimals, halves
// rounded away from zero on its 15 significant decimal digits, thousands
// grouped by commas, and a period as the decimal separator.

#include <cstddef>

#include "common/value.h"

namespace zorvan::vbs {

// FormatNumber(expression[, digits[, leadingDigit[, parens[, groupDigits]]]]):
// digits -1 means two; the others are tristates (-1 True, 0 False,
// -2 the default: a leading zero, a minus sign, grouping).
Value fnFormatNumber(const Value* args, std::size_t n);

}  // namespace zorvan::vbs
