#pragma once
// Every procedure of a module in each of its forms: its bytecode, its
// numeric plan where it has one, and that plan's machine code.

#include <string>

#include "eval/vbscript/bytecode/program.h"

namespace zorvan::vbs {

std::string listModule(const Module& module);
// One procedure; with native, its plan is translated for the listing where
// it has no machine code yet.
std::string listProcedure(const Procedure& p, bool native = true);

}  // namespace zorvan::vbs
