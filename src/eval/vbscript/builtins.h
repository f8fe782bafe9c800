#pragma once
// VBScript's built-in functions and constants that the engine offers.

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

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
