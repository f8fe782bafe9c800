#pragma once
// Script text compiled while the engine runs: the code the host adds, and
// the text a script hands to Eval, Execute or ExecuteGlobal. It is the same
// language in the same sandbox: nothing outside the engine is reachable.

#include <string_view>

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/compile.h"
#include "eval/vbscript/vm/runtime.h"

namespace zorvan::vbs {

// Compiles text into the module and runs its global statements.
void addGlobalCode(Module& module, Runtime& rt, std::string_view text, bool fastPaths, bool located = false);

// Eval's value, or Empty after Execute or ExecuteGlobal, of text run inside
// the call whose names are scope (none at the global level), with registers
// regs, into result; false when the text's run failed, with its error in
// rt.failure.
bool runScriptText(Module& module, Runtime& rt, Special kind, std::string_view text, const LocalScope* scope,
                   Slot* regs, bool fastPaths, Value& result);

}  // namespace zorvan::vbs
