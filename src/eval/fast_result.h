#pragma once
// What a faster tier gives back for a call with one Double: a number of type
// Double, Integer, Long, Boolean or Empty (Value::ofKind), or a tag below
// zero where it bailed out and the call is the bytecode's to run. The plan
// interpreter, the machine code and the host's direct call all answer so.

#include <cstdint>

namespace zorvan {

struct FastResult {
  double value;
  std::int64_t tag;  // a VType, or one of the two below

  static constexpr std::int64_t kBailedOut = -1;
  static constexpr std::int64_t kAborted = -2;  // the abort flag was set at a loop's turn

  static constexpr FastResult bailedOut() { return {0, kBailedOut}; }
  constexpr bool done() const { return tag >= 0; }
};

}  // namespace zorvan
