#pragma once
// Binds every name of a parsed unit to what it stands for: a register of its
// call, a global, a constant, a procedure or a built-in, so that a run does
// no lookup by name. A name nothing declares becomes a variable by its use,
// or, under Option Explicit or with arguments, a failure when it runs.

#include "eval/vbscript/front/parser.h"

namespace zorvan::vbs {

void bind(ParsedUnit& parsed, const Module& module);

}  // namespace zorvan::vbs
