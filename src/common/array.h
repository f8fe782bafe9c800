#pragma once
// VBScript's arrays: up to 60 dimensions, each from 0 to its upper bound,
// holding Variants. An array Value is shared by its copies until one of them
// changes it, so passing or assigning an array costs no copy.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "common/value.h"

namespace zorvan {

inline constexpr std::size_t kMaxDimensions = 60;

struct ArrayRep : Shared {
  ArrayRep() = default;
  ArrayRep(const ArrayRep& o);
  ArrayRep& operator=(const ArrayRep&) = delete;
  ~ArrayRep();

  std::vector<std::int32_t> upper;  // one per dimension; none while a dynamic array is not sized
  std::vector<Value> items;         // the first subscript varies fastest
  ArrayRep* nextDead = nullptr;     // the arrays left to free after this one, when it is freed
};

// An array of the given upper bounds, every element Empty. An upper bound
// below -1 fails with "Subscript out of range"; more elements than all
// arrays together may hold fail with "Out of memory".
Value newArray(std::span<const std::int32_t> upper);
// A dynamic array declared but not sized yet (Dim a()).
Value unsizedArray();
// A one-dimensional array of these elements, as Array(...) makes it.
Value arrayOf(std::vector<Value> items);

// The element a subscript list names; "Subscript out of range" when the
// count or a subscript does not fit the array.
std::size_t elementIndex(const ArrayRep& a, std::span<const std::int32_t> subscripts);

// ReDim [Preserve] of a dynamic array: Preserve keeps the elements where
// only the last dimension changes, and fails with "Subscript out of range"
// otherwise. (An array declared with its size is refused when compiled.)
void redimension(Value& var, std::span<const std::int32_t> upper, bool preserve);
// Erase: a fixed array keeps its size with every element Empty again; a
// dynamic one is left unsized.
void erase(Value& var, bool fixed);

// UBound and LBound of dimension (from 1).
std::int32_t upperBound(const Value& a, std::int32_t dimension);
std::int32_t lowerBound(const Value& a, std::int32_t dimension);

}  // namespace zorvan
