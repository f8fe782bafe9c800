#pragma once
// VBScript's searching and comparing of text: InStr, InStrRev, Replace and
// StrComp, with their optional start, count and compare arguments
// (0 vbBinaryCompare, 1 vbTextCompare).

#include <cstddef>

#include "common/value.h"

namespace zorvan::vbs {

Value fnInStr(const Value* args, std::size_t n);
Value fnInStrRev(const Value* args, std::size_t n);
Value fnReplace(const Value* args, std::size_t n);
Value fnStrComp(const Value* args, std::size_t n);

}  // namespace zorvan::vbs
