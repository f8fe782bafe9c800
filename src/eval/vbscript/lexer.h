#pragma once
// Splits script text into tokens. Lexical errors throw ScriptError with
// VBScript's compile-error numbers.

#include <string_view>
#include <vector>

#include "eval/vbscript/token.h"

namespace zorvan::vbs {

std::vector<Token> tokenize(std::string_view source);

// Lower-case form of an identifier, the key names are looked up by.
std::string foldCase(std::string_view name);

}  // namespace zorvan::vbs
