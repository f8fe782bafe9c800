#pragma once
// Whether a procedure's run is a function of its arguments alone: it may read
// the module's globals, but it writes nothing outside its own frames, neither
// globals nor Err, and calls nothing whose answer could change between runs
// (Rnd, Timer, text compiled while it runs, a procedure found by name).

#include "eval/vbscript/bytecode/code.h"

namespace zorvan::vbs {

// As the module declares the procedure and its callees now; ExecuteGlobal
// can declare them again, and that only from a run that is not pure.
bool isPure(const Procedure& p);

}  // namespace zorvan::vbs
