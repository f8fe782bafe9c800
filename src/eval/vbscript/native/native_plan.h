#pragma once
// A numeric plan translated to machine code, for a procedure the host calls
// many times: each register a slot of the native stack frame, each constant
// read where it lies, the value at hand kept in a machine register. The code
// does what the plan's runner does, step for step, and gives up where it
// would; where the machine has no translation, the runner runs the plan.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "common/abort.h"

namespace zorvan::vbs {

struct NumericPlan;

class NativePlan {
 public:
  // What run returns besides a result's kind.
  static constexpr int kGaveUp = 255;
  static constexpr int kAborted = 254;  // the abort flag was set at a loop's turn

  NativePlan(void* memory, std::size_t size);
  ~NativePlan();
  NativePlan(const NativePlan&) = delete;
  NativePlan& operator=(const NativePlan&) = delete;

  // Runs with x: the result's kind (a VType) and value, or kGaveUp, or
  // kAborted. abort is read at every loop turn: never null with loops.
  // Returned in xmm0 and rax.
  struct Result {
    double value;
    std::int64_t kind;
  };
  Result run(double x, const AbortWord* abort) const { return entry_(x, abort); }

 private:
  using Entry = Result (*)(double, const AbortWord*);
  void* memory_;
  std::size_t size_;
  Entry entry_;
};

// The plan in machine code, or null where this machine has no translation or
// the system refuses executable memory.
std::shared_ptr<const NativePlan> compileNative(const NumericPlan& plan);

}  // namespace zorvan::vbs
