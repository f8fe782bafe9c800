#include <iostream>
#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "common/leading_number.h"
using namespace zorvan;
int main(int argc, char** argv) {
  VBScriptEngine e;
  e.setErrorSink([](const ScriptError& err) { std::cout << errorText(err) << "\n"; });
  std::string text = argc > 1 ? argv[1] : std::string(kStartText);
  if (!e.addCode(buildScript(text))) return 1;
  for (int i = 2; i < argc; ++i) {
    auto v = FNF(e, Value(leadingNumber(argv[i])));
    if (v) std::cout << typeName(v->type()) << " " << v->toText() << "\n";
  }
}
