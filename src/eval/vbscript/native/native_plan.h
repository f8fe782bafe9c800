#pragma once
// A numeric plan translated to machine code, for a procedure the host calls
// many times: each register a slot of the native stack frame, each constant
// read where it lies, the value at hand (the plan's accumulator) kept in a
// machine register. The code does what the plan interpreter does, step for
// step, and bails out where it would; where the machine has no translation,
// or the system refuses executable memory, the interpreter runs the plan.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/abort.h"
#include "eval/fast_result.h"
#include "eval/vbscript/native/executable_memory.h"

namespace zorvan::vbs {

struct NumericPlan;

class NativePlan {
 public:
  explicit NativePlan(std::unique_ptr<ExecutableMemory> code);

  // Runs with x. abort is read at every loop turn: never null with loops.
  FastResult run(double x, const AbortWord* abort) const { return entry_(x, abort); }

  // The machine code; where each plan instruction's code starts in it,
  // then where the exits start; where the code ends and its constants begin.
  const ExecutableMemory& code() const { return *code_; }
  std::vector<std::size_t> starts;
  std::size_t codeEnd = 0;

 private:
  using Entry = FastResult (*)(double, const AbortWord*);
  std::unique_ptr<ExecutableMemory> code_;
  Entry entry_;
};

// The plan in machine code, or null where this machine has no translation or
// the system refuses executable memory.
std::shared_ptr<const NativePlan> compileNative(const NumericPlan& plan);

}  // namespace zorvan::vbs
