#pragma once
// VBScript's searching, comparing and splitting of text: InStr, InStrRev,
// Replace, StrComp, Split, Join and Filter, with their optional start, count and compare arguments
// (0 vbBinaryCompare, 1 vbTextCompare).

#include <cstddef>

#include "common/value.h"

namespace zorvan::vbs {

Value fnInStr(const Value* args, std::size_t n);
Value fnInStrRev(const Value* args, std::size_t n);
Value fnReplace(const Value* args, std::size_t n);
Value fnStrComp(const Value* args, std::size_t n);
// Split, Join and Filter, between a text and an array of its parts.
Value fnSplit(const Value* args, std::size_t n);
Value fnJoin(const Value* args, std::size_t n);
Value fnFilter(const Value* args, std::size_t n);

}  // namespace zorvan::vbs
