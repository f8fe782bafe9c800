#pragma once
// VBScript's Rnd, Randomize and Timer. Rnd's sequence belongs to the thread
// that runs the script, as VBScript keeps it.

#include <cstddef>

#include "common/value.h"

namespace zorvan::vbs {

Value fnRnd(const Value* args, std::size_t n);
Value fnRandomize(const Value* args, std::size_t n);
Value fnTimer(const Value* args, std::size_t n);

}  // namespace zorvan::vbs
