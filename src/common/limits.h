#pragma once
// Hard limits that keep any user text from exhausting the process.

#include <cstddef>

namespace zorvan {

// A String longer than this fails with "Out of string space".
inline constexpr std::size_t kMaxStringLength = std::size_t{64} * 1024 * 1024;

}  // namespace zorvan

namespace zorvan {

// All arrays together hold no more elements than this; a ReDim beyond it
// fails with "Out of memory".
inline constexpr std::size_t kMaxArrayElements = std::size_t{1} << 22;

}  // namespace zorvan
