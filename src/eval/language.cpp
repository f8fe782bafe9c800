#include "eval/language.h"

#include <algorithm>
#include <utility>

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/front/lexer.h"

namespace zorvan {

std::vector<std::string> languageKeywords() {
  std::vector<std::string> words;
  for (std::string_view k : vbs::keywordNames()) words.emplace_back(k);
  words.emplace_back("rem");
  return words;
}

std::vector<FunctionHelp> languageFunctions() {
  std::vector<FunctionHelp> all;
  for (const vbs::Builtin& b : vbs::allBuiltins()) {
    const vbs::BuiltinHelp help = vbs::helpFor(b);
    all.push_back({b.name, std::string(help.arguments), std::string(help.summary)});
  }
  std::sort(all.begin(), all.end(), [](const FunctionHelp& a, const FunctionHelp& b) {
    return foldCase(a.name) < foldCase(b.name);
  });
  return all;
}

std::vector<std::string> languageConstants() {
  std::vector<std::string> names;
  for (std::string_view c : vbs::builtinConstantNames()) names.emplace_back(c);
  return names;
}

std::vector<std::pair<std::string, std::string>> languageOperators() {
  return {{"+  -  *  /", "Add, subtract, multiply, divide"},
          {"^", "Power: x ^ 2 is x squared"},
          {"\\", "Integer division: 7 \\ 2 is 3"},
          {"Mod", "Remainder: 7 Mod 2 is 1"},
          {"&", "Joins texts"},
          {"=  <>  <  >  <=  >=", "Comparisons"},
          {"And  Or  Not  Xor  Eqv  Imp", "Logical, and bitwise on whole numbers"},
          {"Is", "Whether two objects are the same"}};
}

namespace {

std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string likelyBuiltin(std::string_view name) {
  const std::string key = foldCase(name);
  // Names other languages give the same things.
  static const std::pair<std::string_view, std::string_view> kOtherNames[] = {
      {"sqrt", "Sqr"},    {"ln", "Log"},     {"log10", "Log(x) / Log(10)"}, {"pi", "4 * Atn(1)"},
      {"atan", "Atn"},    {"arctan", "Atn"}, {"pow", "the ^ operator"},     {"power", "the ^ operator"},
      {"sign", "Sgn"},    {"floor", "Int"},  {"trunc", "Fix"},              {"ceil", "-Int(-x)"},
      {"e", "Exp(1)"},    {"asin", "Atn(x / Sqr(1 - x * x))"}, {"acos", "Atn(Sqr(1 - x * x) / x)"},
  };
  for (const auto& [other, builtin] : kOtherNames)
    if (key == other) return std::string(builtin);
  if (key.size() < 3) return {};
  std::string best;
  std::size_t bestDistance = 2;  // at most one letter off
  for (const vbs::Builtin& b : vbs::allBuiltins()) {
    const std::size_t d = editDistance(key, b.key);
    if (d < bestDistance) bestDistance = d, best = b.name;
  }
  return best;
}

}  // namespace zorvan
