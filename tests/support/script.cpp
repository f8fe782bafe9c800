#include "support/script.h"

#include "eval/user_function.h"

namespace zorvan::testing {

std::string evalAt(std::string_view userText, double x) {
  VBScriptEngine engine;
  if (!engine.addCode(buildScript(userText))) return errorText(engine.lastError());
  const auto v = FNF(engine, Value(x));
  if (!v) return errorText(engine.lastError());
  std::string out(typeName(v->type()));
  if (!v->isEmpty() && !v->isNull() && !v->isObject() && !v->isArray()) {
    out += ' ';
    out += v->toText();
  }
  return out;
}

std::string evalWith(std::string_view userText, std::string_view procedures, double x) {
  std::string text(userText);
  text += "\r\nUserFN = MyFunction\r\nEnd Function\r\n";
  text += procedures;
  text += "\r\nFunction Unused()";
  return evalAt(text, x);
}

bool cutOffByTimeOut(std::string_view userText, std::chrono::milliseconds limit) {
  VBScriptEngine engine;
  engine.setTimeout(limit);
  if (!engine.addCode(buildScript(userText))) return false;
  const auto start = std::chrono::steady_clock::now();
  const bool failed = !FNF(engine, Value(1.0)).has_value();
  return failed && engine.lastError().number == err::TimedOut &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(10);
}

std::string expr(std::string_view expression) {
  std::string text = "MyFunction = ";
  text += expression;
  return evalAt(text);
}

}  // namespace zorvan::testing
