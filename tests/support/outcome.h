#pragma once
// The exact outcome of f(x) on an engine, for comparing two engines: the
// value's kind and bits, or the error's number and text.

#include <cstring>
#include <string>

#include "common/array.h"
#include "eval/user_function.h"
#include "eval/vbscript_engine.h"

namespace zorvan::testing {

inline std::string exactOutcome(ScriptEngine& engine, const UserFunction& f, double x) {
  const std::optional<Value> v = f(Value(x));
  if (!v) {
    const ScriptError& e = engine.lastError();
    return "error " + std::to_string(e.number) + " " + e.description;
  }
  std::string out = std::to_string(static_cast<int>(v->type())) + " ";
  switch (v->type()) {
    case VType::Double: {
      std::uint64_t bits;
      const double d = v->rawDouble();
      std::memcpy(&bits, &d, sizeof bits);
      return out + std::to_string(bits);
    }
    case VType::Single: {
      std::uint32_t bits;
      const float f32 = v->rawSingle();
      std::memcpy(&bits, &f32, sizeof bits);
      return out + std::to_string(bits);
    }
    case VType::String:
      return out + std::string(v->text());
    case VType::Empty:
    case VType::Null:
    case VType::Object:
      return out;
    case VType::Array:
      for (const std::int32_t u : v->arrayRep().upper) out += std::to_string(u) + ",";
      return out;
    default:
      return out + std::to_string(v->rawWhole());
  }
}

// The outcome of the user's text at x, compiled and run with or without the
// numeric fast paths.
inline std::string exactOutcome(std::string_view userText, double x, bool fastPaths) {
  VBScriptEngine engine(VBScriptOptions{fastPaths});
  if (!engine.addCode(buildScript(userText))) {
    const ScriptError& e = engine.lastError();
    return "compile " + std::to_string(e.number) + " " + e.description;
  }
  const UserFunction f(engine);
  return exactOutcome(engine, f, x);
}

// The code the text compiles to, in every form, for a failing comparison's message.
inline std::string listingOf(std::string_view userText, bool fastPaths = true) {
  VBScriptEngine engine(VBScriptOptions{fastPaths});
  if (!engine.addCode(buildScript(userText))) return "(does not compile)";
  return "\n" + engine.listing();
}

}  // namespace zorvan::testing
