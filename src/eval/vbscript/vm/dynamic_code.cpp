#include "eval/vbscript/vm/dynamic_code.h"

#include "common/memory_budget.h"
#include "eval/vbscript/vm/interpreter.h"

namespace zorvan::vbs {

namespace {

// What compiling text may take at most, by its length: its tokens, tree and
// bytecode together come to some hundred bytes a character of text.
std::size_t compiledSize(std::string_view text) { return 128 * text.size(); }

// Merges what the unit declares and makes room for its new globals.
void adopt(Module& module, Runtime& rt, CodeUnit& unit) {
  merge(module, unit);
  rt.globals.resize(static_cast<std::size_t>(module.globalCount));
}

}  // namespace

void addGlobalCode(Module& module, Runtime& rt, std::string_view text, bool fastPaths, bool located) {
  CodeUnit unit = [&] {
    const MemoryCharge compiling(compiledSize(text));
    return compile(text, module, fastPaths, located);
  }();
  adopt(module, rt, unit);
  runGlobalCode(*unit.globalCode, rt);
}

bool runScriptText(Module& module, Runtime& rt, Special kind, std::string_view text, const LocalScope* scope,
                   Slot* regs, bool fastPaths, Value& result) {
  if (kind == Special::ExecuteGlobal) {
    addGlobalCode(module, rt, text, fastPaths);
    result = Value();
    return true;
  }
  // The compiled form counts against the budget while the text runs.
  const MemoryCharge compiled(compiledSize(text));
  CodeUnit unit = compileInScope(text, module, scope, kind == Special::Eval, fastPaths);
  adopt(module, rt, unit);
  // The text's first registers are the call's variables.
  const int shared = scope != nullptr ? scope->slotCount : 0;
  return runInScope(*unit.globalCode, rt, regs, shared, unit.resultSlot, result);
}

}  // namespace zorvan::vbs
