#include "eval/vbscript/vm/dynamic_code.h"

#include <algorithm>
#include <vector>

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
  if (scope == nullptr) {
    CodeUnit unit = compileInScope(text, module, nullptr, kind == Special::Eval, fastPaths);
    adopt(module, rt, unit);
    return runInScope(*unit.globalCode, rt, regs, 0, {}, unit.resultSlot, result);
  }
  // Inside a call, the text sees the call's variables, then those text run
  // before in the call made; the variables it makes itself are kept too.
  CallVariables* kept = nullptr;
  LocalScope names = *scope;
  if (auto it = rt.callVariables.find(regs); it != rt.callVariables.end()) {
    kept = &it->second;
    for (const std::string& key : kept->keys) names.locals.emplace(key, names.slotCount++);
  }
  CodeUnit unit = compileInScope(text, module, &names, kind == Special::Eval, fastPaths);
  adopt(module, rt, unit);
  const LocalScope& made = *unit.globalCode->scope;
  std::vector<std::pair<int, std::string>> added;
  for (const auto& [key, slot] : made.locals)
    if (slot >= names.slotCount && slot != unit.resultSlot) added.emplace_back(slot, key);
  if (!added.empty()) {
    std::sort(added.begin(), added.end());
    kept = &rt.callVariables[regs];
    for (auto& [slot, key] : added) {
      kept->keys.push_back(std::move(key));
      kept->values.emplace_back();
    }
  }
  std::vector<Value*> refs;
  if (kept != nullptr)
    for (Value& v : kept->values) refs.push_back(&v);
  return runInScope(*unit.globalCode, rt, regs, scope->slotCount, refs, unit.resultSlot, result);
}

}  // namespace zorvan::vbs
