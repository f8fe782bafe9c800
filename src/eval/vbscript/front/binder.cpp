#include "eval/vbscript/front/binder.h"

#include "eval/vbscript/builtins/builtins.h"

namespace zorvan::vbs {

namespace {

class Binder {
 public:
  Binder(ParsedUnit& parsed, const Module& module) : parsed_(parsed), module_(module) {}

  void run() {
    // The text's own statements first: the globals they make by their use
    // are the procedures' too.
    Procedure* inner = parsed_.inner.get();
    if (inner != nullptr) resolveProcedure(*inner, parsed_.global);
    else resolveGlobal();
    for (std::size_t i = 0; i < parsed_.unit.procedures.size(); ++i)
      resolveProcedure(*parsed_.unit.procedures[i], parsed_.procedures[i]);
    parsed_.variables = inner != nullptr ? inner->slotCount : 0;
    parsed_.globalsKnown = static_cast<std::size_t>(module_.globalCount) + parsed_.unit.globals.size();
    if (parsed_.expression) {
      // Eval's value lands in a register after the variables.
      Name& result = static_cast<AssignStmt&>(*parsed_.global.body.front()).target;
      result.binding = Binding::Local;
      result.index = parsed_.unit.resultSlot = parsed_.variables++;
    }
  }

 private:
  void bindGlobal(Name& n, int index) {
    n.binding = Binding::Global;
    n.index = index;
    n.fixedArray = parsed_.fixedGlobal(index, module_);
  }

  // Calls reach the module's procedure where there is one: a declaration
  // merged later replaces it in place, so every call reaches the new one.
  void bindProcedure(Name& n) {
    const auto own = parsed_.unitProcs.find(n.key);
    const auto module = module_.procedures.find(n.key);
    n.binding = Binding::Procedure;
    n.definition = own != parsed_.unitProcs.end() ? own->second : module->second.get();
    n.procedure = module != module_.procedures.end() ? module->second.get() : n.definition;
  }

  bool bindModuleName(Name& n) {
    if (auto it = parsed_.unitGlobals.find(n.key); it != parsed_.unitGlobals.end()) {
      bindGlobal(n, it->second);
    } else if (auto g = module_.globals.find(n.key); g != module_.globals.end()) {
      bindGlobal(n, g->second);
    } else if (auto c = parsed_.unit.constants.find(n.key); c != parsed_.unit.constants.end()) {
      n.binding = Binding::Constant;
      n.constant = c->second;
    } else if (auto mc = module_.constants.find(n.key); mc != module_.constants.end()) {
      n.binding = Binding::Constant;
      n.constant = mc->second;
    } else if (parsed_.unitProcs.count(n.key) || module_.procedures.count(n.key)) {
      bindProcedure(n);
    } else if (const Builtin* b = findBuiltin(n.key)) {
      n.binding = Binding::Builtin;
      n.builtin = b;
    } else if (auto bc = findBuiltinConstant(n.key)) {
      n.binding = Binding::Constant;
      n.constant = std::move(*bc);
    } else {
      return false;
    }
    return true;
  }

  void bindUnknown(Name& n) { n.binding = parsed_.unit.optionExplicit ? Binding::Undefined : Binding::Unknown; }

  // Whether a name no declaration binds becomes a variable by its use: not
  // with arguments, and under Option Explicit only as ReDim's target.
  bool declaredByUse(const Name& n) const { return !n.called && (n.declares || !parsed_.unit.optionExplicit); }

  // Names used without arguments are bound first, so that a variable made by
  // its use is known wherever it is indexed, before or after.
  template <class Bind>
  static void bindInTwoPasses(const std::vector<Name*>& names, Bind bind) {
    for (Name* n : names)
      if (!n->called) bind(*n);
    for (Name* n : names)
      if (n->called) bind(*n);
  }

  void resolveGlobal() {
    bindInTwoPasses(parsed_.global.names, [this](Name& n) {
      if (bindModuleName(n)) return;
      if (!declaredByUse(n)) return bindUnknown(n);
      bindGlobal(n, parsed_.addGlobal(n.key, module_));
    });
  }

  void resolveProcedure(Procedure& p, Scope& scope) {
    bindInTwoPasses(scope.names, [&](Name& n) {
      if (n.called && n.key == p.key && &p != parsed_.inner.get()) {
        bindProcedure(n);
      } else if (n.called && n.key == p.key && bindModuleName(n)) {
        // The running procedure, called by name from the text compiled inside it.
      } else if (auto it = scope.locals.find(n.key); it != scope.locals.end()) {
        n.binding = Binding::Local;
        n.index = it->second;
        n.fixedArray = scope.fixedArrays.count(n.key) > 0;
      } else if (auto c = scope.constants.find(n.key); c != scope.constants.end()) {
        n.binding = Binding::Constant;
        n.constant = c->second;
      } else if (bindModuleName(n)) {
      } else if (!declaredByUse(n)) {
        bindUnknown(n);
      } else {
        const int slot = static_cast<int>(scope.locals.size());
        scope.locals.emplace(n.key, slot);
        scope.implicit.emplace_back(n.key, slot);
        n.binding = Binding::Local;
        n.index = slot;
      }
    });
    p.slotCount = static_cast<int>(scope.locals.size());
  }

  ParsedUnit& parsed_;
  const Module& module_;
};

}  // namespace

void bind(ParsedUnit& parsed, const Module& module) { Binder(parsed, module).run(); }

}  // namespace zorvan::vbs
