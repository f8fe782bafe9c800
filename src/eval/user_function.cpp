#include "eval/user_function.h"

#include "common/text_place.h"

namespace zorvan {

std::string buildScript(std::string_view userText) {
  std::string script;
  script.reserve(userText.size() + 64);
  script += "Function UserFN(x)";
  script += "\r\n";
  script += " Dim MyFunction ";
  script += "\r\n";
  script += userText;
  script += "\r\n";
  script += " UserFN = MyFunction";
  script += "\r\n";
  script += "End Function";
  return script;
}

ScriptError placedInUserText(ScriptError e, std::string_view userText) {
  constexpr std::int32_t kLinesBefore = 2;  // "Function UserFN(x)" and " Dim MyFunction "
  if (e.line <= 0) return e;
  const TextPlace end = placeAt(userText, userText.size());
  e.line -= kLinesBefore;
  if (e.line < 1) {
    e.line = e.column = 1;
  } else if (e.line > end.line || (e.line == end.line && e.column > end.column)) {
    e.line = end.line;
    e.column = end.column;
  }
  return e;
}

std::optional<Value> FNF(ScriptEngine& engine, const Value& x) { return UserFunction(engine)(x); }

double FNRO(const Value& v) {
  const Value scaled = mul(v, Value::longInt(100000));
  const Value shifted = add(scaled, Value(0.5));
  const Value whole = intPart(shifted);
  return div(whole, Value::longInt(100000)).toDouble();
}

}  // namespace zorvan
