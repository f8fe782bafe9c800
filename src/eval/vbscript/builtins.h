#pragma once
// VBScript's built-in functions and constants that the engine offers.

#include <optional>
#include <string_view>

#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

// The built-in function of that folded-case name, or null.
const Builtin* findBuiltin(std::string_view key);
// The built-in constant of that folded-case name (vbCrLf, vbDouble, ...).
std::optional<Value> findBuiltinConstant(std::string_view key);

}  // namespace zorvan::vbs
