#pragma once
// The words of the function's language, from the engine's own tables, so
// that a function added to the engine is highlighted, completed and listed
// in the help without a second list.

#include <string>
#include <string_view>
#include <vector>

namespace zorvan {

struct FunctionHelp {
  std::string name;       // as VBScript writes it: "InStr"
  std::string arguments;  // "[start, ]text, find[, compare]"
  std::string summary;    // what it does, in a line
};

// The reserved words, in lower case.
std::vector<std::string> languageKeywords();
// The built-in functions, in alphabetical order.
std::vector<FunctionHelp> languageFunctions();
// The built-in constants, as VBScript writes them: "vbCrLf".
std::vector<std::string> languageConstants();
// The operators, each with what it does.
std::vector<std::pair<std::string, std::string>> languageOperators();

// The built-in a name the engine does not know most likely stands for
// ("Sqr" for "sqrt", "Log" for "ln"), as a hint; empty where none is close.
std::string likelyBuiltin(std::string_view name);

}  // namespace zorvan
