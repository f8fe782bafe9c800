#pragma once
// On Error Resume Next and the Err object: its Number, Description and
// Source, Clear and Raise. Resume Next holds for the call of the procedure
// that ran it; an error in a procedure it calls ends that call and is let
// pass at the caller's statement.

#include <cstddef>
#include <cstdint>

#include "common/value.h"
#include "eval/vbscript/vm/runtime.h"

namespace zorvan::vbs {

// Errors that end a run (its time-out, the user's stop) are never let pass.
bool canResume(const ScriptError& e);
// Notes a passed error in Err.
void noteError(Runtime& rt, const ScriptError& e);

// Err.Number (0), Err.Description (1), Err.Source (2), Err.HelpFile (3) or
// Err.HelpContext (4).
Value errProperty(const Runtime& rt, std::int32_t property);
// Sets one of them.
void errSet(Runtime& rt, std::int32_t property, const Value& v);
// The number Err.Raise is given, which must not be 0.
std::int32_t errRaiseNumber(const Value& v);
// Err.Raise with the number, source, description, help file and help
// context: those whose bit of `given` is set; the others take their defaults.
[[noreturn]] void errRaise(Runtime& rt, const Value* args, unsigned given);

}  // namespace zorvan::vbs
