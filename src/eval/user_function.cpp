#include "eval/user_function.h"

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

std::optional<Value> FNF(ScriptEngine& engine, const Value& x) { return UserFunction(engine)(x); }

double FNRO(const Value& v) {
  const Value scaled = mul(v, Value::longInt(100000));
  const Value shifted = add(scaled, Value(0.5));
  const Value whole = intPart(shifted);
  return div(whole, Value::longInt(100000)).toDouble();
}

}  // namespace zorvan
