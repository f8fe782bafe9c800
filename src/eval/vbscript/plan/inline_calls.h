#pragma once
// Procedure calls opened up for planning: a copy of a procedure's bytecode
// in which each call of a procedure numeric enough to be planned is replaced
// by the callee's own instructions, on registers of their own after the
// caller's. The copy is only ever planned, never run: where the plan bails
// out, the call runs as the original bytecode from its start.

#include <optional>
#include <vector>

#include "eval/vbscript/bytecode/code.h"

namespace zorvan::vbs {

struct InlinedCode {
  Code code;
  std::vector<const Procedure*> callees;  // every procedure whose code it took
};

// The code with its calls inlined; none where it has no call, or one that
// cannot be inlined (recursion, a global passed by reference, an
// instruction a plan cannot run, too many registers or instructions).
std::optional<InlinedCode> inlineCalls(const Code& code);

}  // namespace zorvan::vbs
