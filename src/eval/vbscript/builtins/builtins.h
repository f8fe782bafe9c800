#pragma once
// VBScript's built-in functions and constants that the engine offers.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "common/value.h"

namespace zorvan::vbs {

// Built-ins that are not plain functions of their arguments.
enum class Special : std::uint8_t { None, Array, Eval, Execute, ExecuteGlobal };

// Built-in functions take their arguments evaluated.
inline constexpr std::size_t kMaxBuiltinArgs = 6;  // Replace takes six
using BuiltinFn = Value (*)(const Value* args, std::size_t count);
using UnaryFn = Value (*)(const Value& arg);

struct Builtin {
  const char* key;
  const char* name;
  std::uint8_t minArgs, maxArgs;
  BuiltinFn fn;   // null for one-argument functions and the special ones
  UnaryFn unary;  // set for one-argument functions: they get an instruction of their own
  // For math functions: the function on doubles, giving a NaN or an
  // infinity where the Value function fails; null for the others.
  double (*kernel)(double) = nullptr;
  Special special = Special::None;
  // Its answer may change from call to call with the same arguments (Rnd,
  // Timer), or it changes state the next call sees (Randomize).
  bool stateful = false;
};


// The built-in function of that folded-case name, or null.
const Builtin* findBuiltin(std::string_view key);
// The built-in constant of that folded-case name (vbCrLf, vbDouble, ...).
std::optional<Value> findBuiltinConstant(std::string_view key);

// Every built-in function, and every constant's name as VBScript writes it.
std::span<const Builtin> allBuiltins();
std::vector<std::string_view> builtinConstantNames();

// What a built-in takes for its optional argument at position i (from 0)
// when a call leaves it out between commas; none where it has no default.
std::optional<Value> builtinDefault(std::string_view key, std::size_t i);

// A built-in's arguments as its help shows them ("number[, digits]") and
// what it does, in a line.
struct BuiltinHelp {
  std::string_view arguments, summary;
};
BuiltinHelp helpFor(const Builtin& b);

}  // namespace zorvan::vbs
