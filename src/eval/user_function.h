#pragma once
// The user's function: the script built round the user's text, its
// evaluation at a point (FNF) and the rounding of reported values (FNRO).

#include <optional>
#include <string>
#include <string_view>

#include "common/value.h"
#include "eval/engine.h"
#include "eval/recent_results.h"

namespace zorvan {

// The function box's text when the window opens.
inline constexpr std::string_view kStartText = "MyFunction = x*x - x*Cos(x) -6\r\n";
// The caption of every message box.
inline constexpr std::string_view kCaption = "Zorvan";
// The procedure the script defines round the user's text.
inline constexpr std::string_view kUserProcedure = "UserFN";

// "Function UserFN(x)", the user's lines, " UserFN = MyFunction", "End Function".
std::string buildScript(std::string_view userText);

// The place of an error in the user's text, as the function box counts it:
// the lines the script adds before the text do not count, and a place in
// those after it is the end of the text. Unchanged where it has no place.
ScriptError placedInUserText(ScriptError e, std::string_view userText);

// Whether a UserFunction answers a point asked for again within its last few
// evaluations from memory, where UserFN is pure. Only while nothing else runs
// in the engine: a search's evaluations are such a time.
enum class Recall : bool { None, Recent };

// UserFN of an engine's script, prepared once after the script is added.
class UserFunction {
 public:
  explicit UserFunction(ScriptEngine& engine, Recall recall = Recall::None)
      : engine_(engine),
        procedure_(engine.prepare(kUserProcedure)),
        recall_(recall == Recall::Recent && engine.isPure(procedure_)) {}
  std::optional<Value> operator()(const Value& x) const {
    if (!recall_) [[likely]] return run(x);
    const std::optional<double> kept = recent_.find(x);
    std::optional<Value> fx = kept ? std::optional<Value>(Value(*kept)) : run(x);
    if (!kept && fx) recent_.remember(x, *fx);
    return fx;
  }
  ScriptEngine& engine() const { return engine_; }

 private:
  std::optional<Value> run(const Value& x) const {
    if (x.isDouble()) [[likely]] {
      const FastResult r = procedure_.callDirect(x.rawDouble());
      if (r.tag == static_cast<std::int64_t>(VType::Double)) [[likely]] return Value(r.value);
      if (r.done()) return Value::ofKind(static_cast<VType>(r.tag), r.value);
    }
    return engine_.run(procedure_, std::span<const Value>(&x, 1));
  }

  ScriptEngine& engine_;
  PreparedProcedure procedure_;
  bool recall_;
  mutable RecentResults recent_;
};

// f(x): one run of UserFN with x by value, or a recalled result of one;
// empty when the run fails (the engine has reported the failure to its sink
// by then).
inline std::optional<Value> FNF(const UserFunction& f, const Value& x) { return f(x); }
// The same, finding UserFN by name first.
std::optional<Value> FNF(ScriptEngine& engine, const Value& x);

// Rounds to 5 decimals, halves toward plus infinity: floor(v * 100000 + 0.5) / 100000.
double FNRO(const Value& v);

}  // namespace zorvan
