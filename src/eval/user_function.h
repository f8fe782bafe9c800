#pragma once
// The user's function: the script built round the user's text, its
// evaluation at a point (FNF) and the rounding of reported values (FNRO).

#include <optional>
#include <string>
#include <string_view>

#include "common/value.h"
#include "eval/engine.h"

namespace zorvan {

// The function box's text when the window opens.
inline constexpr std::string_view kStartText = "MyFunction = x*x - x*Cos(x) -6\r\n";
// The caption of every message box.
inline constexpr std::string_view kCaption = "Zorvan";
// The procedure the script defines round the user's text.
inline constexpr std::string_view kUserProcedure = "UserFN";

// "Function UserFN(x)", the user's lines, " UserFN = MyFunction", "End Function".
std::string buildScript(std::string_view userText);

// UserFN of an engine's script, prepared once after the script is added.
class UserFunction {
 public:
  explicit UserFunction(ScriptEngine& engine) : engine_(engine), procedure_(engine.prepare(kUserProcedure)) {}
  std::optional<Value> operator()(const Value& x) const {
    return engine_.run(procedure_, std::span<const Value>(&x, 1));
  }
  ScriptEngine& engine() const { return engine_; }

 private:
  ScriptEngine& engine_;
  PreparedProcedure procedure_;
};

// f(x): one run of UserFN with x by value; empty when the run fails (the
// engine has reported the failure to its sink by then).
inline std::optional<Value> FNF(const UserFunction& f, const Value& x) { return f(x); }
// The same, finding UserFN by name first.
std::optional<Value> FNF(ScriptEngine& engine, const Value& x);

// Rounds to 5 decimals, halves toward plus infinity: floor(v * 100000 + 0.5) / 100000.
double FNRO(const Value& v);

}  // namespace zorvan
