#pragma once
// Runs bytecode: the calls of procedures, with their frames, and a unit's
// global code.

#include <cstddef>
#include <span>

#include "eval/vbscript/bytecode/code.h"
#include "eval/vbscript/vm/runtime.h"

namespace zorvan::vbs {

// Runs a procedure for the host, with the arguments passed by value.
Value callFromHost(const Procedure& p, Runtime& rt, const Value* args, std::size_t count);
// Runs text compiled inside a call (Eval, Execute): its first shared
// registers are the call's variables, outer, and the next ones the variables
// kept for the call (those Execute made); puts the value in resultSlot into
// result. False when the run failed, with its error in rt.failure.
bool runInScope(const Code& code, Runtime& rt, Slot* outer, int shared, std::span<Value* const> kept, int resultSlot,
                Value& result);
// Runs global code in a frame of its own.
void runGlobalCode(const Code& code, Runtime& rt);

}  // namespace zorvan::vbs
