#pragma once
// The reading of the number boxes: blanks, tabs and line feeds removed, then
// the longest leading number (sign, digits with one period, an exponent with
// E or D); nothing readable gives 0. &H and &O are not read: "&H10" gives 0.

#include <string>
#include <string_view>

namespace zorvan {

// Throws ScriptError "Overflow" when the number does not fit a double.
double leadingNumber(std::string_view text);

// How a box's whole text fares under that reading, so that the window can
// say so before Solve reads it.
enum class BoxReading {
  Number,        // the whole text is one number
  Empty,         // read as 0
  CommaDecimal,  // a comma where the period belongs: read up to it
  TrailingText,  // a number, then more that is ignored
  NotANumber,    // no number at the start: read as 0
  TooLarge,      // beyond a double: Solve does not run
};
struct NumberBoxReading {
  BoxReading reading = BoxReading::Number;
  double value = 0;  // what Solve reads; 0 where TooLarge
};
NumberBoxReading readNumberBox(std::string_view text);

// What to tell the user of a reading, "" for a plain number: "Read as 2: the
// rest is ignored".
std::string numberBoxNote(const NumberBoxReading& r);

}  // namespace zorvan
