#include "eval/vbscript/compile.h"

#include <memory>

#include "common/text_place.h"
#include "eval/vbscript/bytecode/compiler.h"
#include "eval/vbscript/front/binder.h"
#include "eval/vbscript/front/parser.h"
#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

namespace {

// A procedure's names, kept with its code for the text Eval and Execute
// compile while it runs.
std::shared_ptr<const LocalScope> localScope(const Scope& scope, int slotCount, std::size_t globalsKnown) {
  auto names = std::make_shared<LocalScope>();
  names->procedure = scope.proc->key;
  names->locals = scope.locals;
  names->constants = scope.constants;
  names->fixedArrays = scope.fixedArrays;
  names->slotCount = slotCount;
  names->implicit = scope.implicit;
  names->globalsKnown = globalsKnown;
  return names;
}

// Bytecode for each procedure and for the text's own statements, and a plan
// for each procedure that is numeric throughout.
CodeUnit generate(ParsedUnit& parsed, bool fastPaths) {
  CodeUnit& unit = parsed.unit;
  for (std::size_t i = 0; i < unit.procedures.size(); ++i) {
    Procedure& p = *unit.procedures[i];
    Scope& scope = parsed.procedures[i];
    p.code = compileBody(scope.body, p.slotCount, fastPaths, p.arrays, localScope(scope, p.slotCount, parsed.globalsKnown));
    scope.body.clear();
  }
  // Planned once every procedure has its code: a plan takes in the code of
  // the procedures it calls.
  for (auto& p : unit.procedures) p->plan = planFor(*p->code, p->params.size(), p->returnSlot);
  const Procedure* inner = parsed.inner.get();
  unit.globalCode = compileBody(parsed.global.body, parsed.variables, fastPaths,
                                inner != nullptr ? inner->arrays : unit.arrays,
                                inner != nullptr ? localScope(parsed.global, inner->slotCount, parsed.globalsKnown) : nullptr);
  return std::move(unit);
}

}  // namespace

CodeUnit compile(std::string_view source, const Module& module, bool fastPaths, bool located) {
  ParsedUnit parsed = parse(source, module, located);
  bind(parsed, module);
  try {
    return generate(parsed, fastPaths);
  } catch (ScriptError& e) {
    // What only the whole tree shows is placed where the text ends.
    if (located && e.line == 0) {
      const TextPlace at = placeAt(source, source.size());
      e.line = at.line;
      e.column = at.column;
    }
    throw;
  }
}

CodeUnit compileInScope(std::string_view source, const Module& module, const LocalScope* scope, bool expression,
                        bool fastPaths) {
  ParsedUnit parsed = parseInScope(source, module, scope, expression);
  bind(parsed, module);
  return generate(parsed, fastPaths);
}

}  // namespace zorvan::vbs
