#pragma once
// Each code form as text, for `zorvan-cli dump` and for the messages of
// failing engine tests: one instruction a line, its index, its opcode and
// its operands, each register as rN, each global as gN, each constant with
// its value and each jump with its target.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "eval/vbscript/bytecode/code.h"

namespace zorvan::vbs {

std::string listBytecode(const Code& code);

// A value as a listing shows it: text quoted, Empty and Null by name.
std::string constantText(const Value& v);

// The pieces every listing is made of: a register, a jump's target, and a
// line of the instruction at index with its opcode's name and operands.
std::string registerText(std::int32_t r);
std::string jumpText(std::int32_t target);
std::string listingLine(std::size_t index, std::string_view op, const std::string& operands);

}  // namespace zorvan::vbs
