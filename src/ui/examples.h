#pragma once
// Functions that show what the language and the search can do, each with
// the approach and the numbers that suit it.

#include <span>

namespace zorvan::ui {

struct Example {
  const char* title;     // as the menu shows it
  const char* function;  // lines separated by \n
  bool interval;
  const char* lower;     // the bounds, or the start in lower
  const char* upper;
};

std::span<const Example> examples();

}  // namespace zorvan::ui
