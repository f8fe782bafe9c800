#include "eval/vbscript/bytecode/program.h"

#include <algorithm>

#include "eval/vbscript/bytecode/code.h"
#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

void merge(Module& module, CodeUnit& unit) {
  std::vector<const Procedure*> replaced;
  for (auto& p : unit.procedures) {
    auto& slot = module.procedures[p->key];
    if (!slot) {
      slot = std::move(p);
      continue;
    }
    // Declared again: the procedure calls reach takes the new declaration,
    // and its old code lives on while a call of it may still be running.
    // Plans that took in its old code are out of date.
    module.retiredCode.push_back(std::move(slot->code));
    *slot = std::move(*p);
    replaced.push_back(slot.get());
  }
  for (const Procedure* old : replaced)
    for (auto& [key, q] : module.procedures)
      if (q->plan != nullptr && std::find(q->plan->inlined.begin(), q->plan->inlined.end(), old) != q->plan->inlined.end())
        q->plan.reset();
  unit.procedures.clear();
  for (auto& [key, index] : unit.globals) {
    module.globals[key] = index;
    // A procedure's variable of that name made by its use is the global now.
    for (auto& [name, p] : module.procedures) {
      const LocalScope* scope = p->code != nullptr ? p->code->scope.get() : nullptr;
      if (scope == nullptr || scope->globalsKnown > static_cast<std::size_t>(index)) continue;
      for (const auto& [implicitKey, slot] : scope->implicit)
        if (implicitKey == key) {
          p->readsLateGlobals = true;
          p->plan.reset();
        }
    }
  }
  module.globalCount += static_cast<int>(unit.globals.size());
  for (auto& [key, v] : unit.constants) module.constants[key] = v;
  module.fixedGlobals.insert(unit.fixedGlobals.begin(), unit.fixedGlobals.end());
  module.optionExplicit = unit.optionExplicit;
}

}  // namespace zorvan::vbs
