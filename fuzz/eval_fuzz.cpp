// Arbitrary text as the user's function: the script round it, addCode and
// FNF at a few points, on an engine with the numeric fast paths (its plans in
// machine code), on one with them but plans interpreted, and on one without.
// Nothing may crash, leak or hang past the time-out, the code must list, and the engines must
// agree exactly, unless the text reads the clock or the
// random numbers, or a run was cut off. Where the engine finds UserFN pure,
// a second run at the same point must give exactly what the first gave.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "support/outcome.h"

namespace {

zorvan::VBScriptEngine* makeEngine(bool fastPaths, bool nativeCode) {
  auto* e = new zorvan::VBScriptEngine(zorvan::VBScriptOptions{.fastPaths = fastPaths, .nativeCode = nativeCode});
  e->setTimeout(std::chrono::milliseconds(50));
  return e;
}

bool deterministic(std::string_view text) {
  std::string folded(text);
  std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* name : {"rnd", "randomize", "timer", "now", "date", "time"})
    if (folded.find(name) != std::string::npos) return false;
  return true;
}

bool cutOff(const std::string& outcome) {
  return outcome.rfind("error " + std::to_string(zorvan::err::TimedOut) + " ", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zorvan::VBScriptEngine* fast = makeEngine(true, true);
  static zorvan::VBScriptEngine* interpreted = makeEngine(true, false);
  static zorvan::VBScriptEngine* general = makeEngine(false, false);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string script = zorvan::buildScript(text);
  fast->reset();
  interpreted->reset();
  general->reset();
  const bool compiled = fast->addCode(script);
  if (general->addCode(script) != compiled || interpreted->addCode(script) != compiled) std::abort();
  if (!compiled) return 0;
  // Every form of whatever compiled can be listed.
  if (fast->listing().empty()) std::abort();
  const bool compare = deterministic(text);
  const zorvan::UserFunction f(*fast), g(*general), h(*interpreted);
  const bool pure = fast->isPure(fast->prepare(zorvan::kUserProcedure));
  if (general->isPure(general->prepare(zorvan::kUserProcedure)) != pure) std::abort();
  for (double x : {0.0, 1.0, -1.5, 1e10}) {
    const std::string a = zorvan::testing::exactOutcome(*fast, f, x);
    const std::string b = zorvan::testing::exactOutcome(*general, g, x);
    const std::string c = zorvan::testing::exactOutcome(*interpreted, h, x);
    if (compare && (a != b || c != b) && !cutOff(a) && !cutOff(b) && !cutOff(c)) {
      std::fprintf(stderr, "fast: %s\ninterpreted: %s\ngeneral: %s\n", a.c_str(), c.c_str(), b.c_str());
      std::abort();
    }
    if (pure) {
      const std::string again = zorvan::testing::exactOutcome(*fast, f, x);
      if (again != a && !cutOff(a) && !cutOff(again)) {
        std::fprintf(stderr, "pure, but first: %s\nthen: %s\n", a.c_str(), again.c_str());
        std::abort();
      }
    }
    // The engines make the same runs: a function that keeps state in its
    // globals stays comparable.
    for (const zorvan::UserFunction* u : {&f, &g, &h}) {
      if (std::optional<zorvan::Value> v = (*u)(zorvan::Value(x))) {
        try {
          (void)zorvan::FNRO(*v);
        } catch (const zorvan::ScriptError&) {
        }
      }
    }
  }
  return 0;
}
