#pragma once
// Each code form as text, for `zorvan-cli dump` and for the messages of
// failing engine tests: one instruction a line, its index, its opcode and
// its operands, each register as rN, each global as gN, each constant with
// its value and each jump with its target.

#include <string>

#include "eval/vbscript/bytecode/code.h"

namespace zorvan::vbs {

std::string listBytecode(const Code& code);

// A value as a listing shows it: text quoted, Empty and Null by name.
std::string constantText(const Value& v);

}  // namespace zorvan::vbs
