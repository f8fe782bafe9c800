#pragma once
// Splits script text into tokens. A lexical error ends the tokens with an
// Error token, so that the parser reports it only if no earlier error comes first.

#include <string_view>
#include <vector>

#include "common/fold_case.h"
#include "eval/vbscript/front/token.h"

namespace zorvan::vbs {

std::vector<Token> tokenize(std::string_view source);

// The reserved words, in lower case.
std::vector<std::string_view> keywordNames();

}  // namespace zorvan::vbs
