// Arbitrary text as the user's function: the script round it, addCode and
// FNF at a few points. Nothing may crash, leak or hang past the time-out.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zorvan::VBScriptEngine* engine = [] {
    auto* e = new zorvan::VBScriptEngine;
    e->setTimeout(std::chrono::milliseconds(50));
    return e;
  }();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  engine->reset();
  if (!engine->addCode(zorvan::buildScript(text))) return 0;
  for (double x : {0.0, 1.0, -1.5, 1e10}) {
    if (std::optional<zorvan::Value> v = zorvan::FNF(*engine, zorvan::Value(x))) {
      (void)v->toText();
      try {
        (void)zorvan::FNRO(*v);
      } catch (const zorvan::ScriptError&) {
      }
    }
  }
  return 0;
}
