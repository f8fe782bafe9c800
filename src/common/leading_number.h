#pragma once
// The reading of the number boxes: blanks, tabs and line feeds removed, then
// the longest leading number (sign, digits with one period, an exponent with
// E or D); nothing readable gives 0. &H and &O are not read: "&H10" gives 0.

#include <string_view>

namespace zorvan {

// Throws ScriptError "Overflow" when the number does not fit a double.
double leadingNumber(std::string_view text);

}  // namespace zorvan
