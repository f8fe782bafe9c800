#pragma once
// Runs user text the way the Solve command loads it, for tests.

#include <chrono>
#include <string>
#include <string_view>

#include "eval/vbscript_engine.h"

namespace zorvan::testing {

// "<TypeName> <text>" of f(x), or "Error <n> : <description>" for a
// compile or run-time error, the way zorvan-cli eval prints it.
std::string evalAt(std::string_view userText, double x = 0);
// As evalAt, with procedures declared beside the user's function.
std::string evalWith(std::string_view userText, std::string_view procedures, double x = 0);
// Whether f(1) is cut off by a time-out of limit, well within a generous
// bound against a hang.
bool cutOffByTimeOut(std::string_view userText, std::chrono::milliseconds limit);
// The value of a VBScript expression, as evalAt prints it.
std::string expr(std::string_view expression);

}  // namespace zorvan::testing
