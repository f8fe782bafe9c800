#include "eval/vbscript/numeric_plan.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "eval/vbscript/numeric_kernels.h"
#include "eval/vbscript/runtime.h"
#include "eval/vbscript/threaded_dispatch.h"

namespace zorvan::vbs {

namespace {

// The result as a Value of the kind the plan knew it to have.
Value valueOf(VType kind, double v) {
  switch (kind) {
    case VType::Double: return Value(v);
    case VType::Integer: return Value::integer(static_cast<std::int16_t>(v));
    case VType::Long: return Value::longInt(static_cast<std::int32_t>(v));
    case VType::Boolean: return Value::boolean(v != 0);
    default: return Value();
  }
}

}  // namespace

// Labels as values are a GNU extension that GCC and Clang share.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

bool runPlan(const NumericPlan& plan, double x, const Runtime* rt, Value& result) {
  static constexpr void* kHandlers[] = {&&Copy,    &&CopyTagged, &&Tag,     &&Add,         &&Sub,    &&Mul,
                                        &&Div,     &&Pow,        &&Neg,     &&Math,        &&Compare, &&Branch,
                                        &&JumpIf,  &&Jump,       &&ForPrep, &&ForLoop,     &&ForLoopReal,
                                        &&Tick,    &&Return,     &&ReturnDouble, &&ReturnTagged, &&GiveUp};
  static_assert(std::size(kHandlers) == static_cast<std::size_t>(PlanOp::GiveUp) + 1);
  double r[kMaxPlanRegisters];
  for (const auto& [reg, v] : plan.start) r[reg] = v;
  r[0] = x;
  VType kinds[kMaxPlanRegisters];
  if (plan.tagged) {
    std::memset(kinds, 0, sizeof kinds);
    static_assert(static_cast<int>(VType::Empty) == 0);
    kinds[0] = VType::Double;
  }
  const PlanIns* const start = plan.ins.data();
  const PlanIns* in = start;
  // Stores a result where it is finite; anything else is the general path's to fail on.
#define FINITE(EXPR)                      \
  do {                                    \
    const double v_ = (EXPR);             \
    if (!std::isfinite(v_)) return false; \
    r[in->a] = v_;                        \
    ZORVAN_NEXT;                          \
  } while (0)
  ZORVAN_DISPATCH;
Copy:
  r[in->a] = r[in->b];
  ZORVAN_NEXT;
CopyTagged:
  r[in->a] = r[in->b];
  kinds[in->a] = kinds[in->b];
  ZORVAN_NEXT;
Tag:
  kinds[in->a] = in->kind;
  ZORVAN_NEXT;
Add:
  FINITE(addKernel(r[in->b], r[in->c]));
Sub:
  FINITE(subKernel(r[in->b], r[in->c]));
Mul:
  FINITE(mulKernel(r[in->b], r[in->c]));
Div:
  FINITE(divKernel(r[in->b], r[in->c]));
Pow:
  FINITE(powKernel(r[in->b], r[in->c]));
Neg:
  r[in->a] = -r[in->b];
  ZORVAN_NEXT;
Math:
  FINITE(in->kernel(r[in->b]));
Compare:
  r[in->a] = holds(in->bop, r[in->b], r[in->c]) ? -1 : 0;
  ZORVAN_NEXT;
Branch:
  if (holds(in->bop, r[in->b], r[in->c]) == in->flag) ZORVAN_JUMP(in->a);
  ZORVAN_NEXT;
JumpIf:
  if ((r[in->b] != 0) == in->flag) ZORVAN_JUMP(in->a);
  ZORVAN_NEXT;
Jump:
  ZORVAN_JUMP(in->a);
ForPrep: {
  const bool down = r[in->b + 2] < 0;
  r[in->a] = r[in->b];
  r[in->b] = down ? -1 : 0;
  if (down ? r[in->a] < r[in->b + 1] : r[in->a] > r[in->b + 1]) ZORVAN_JUMP(in->c);
  ZORVAN_NEXT;
}
  // A loop's turn: the counter steps on, the time-out is checked, and the
  // loop goes on while the counter has not passed the end.
#define TURN(NEXT_COUNTER, STAYS)                                                          \
  do {                                                                                     \
    const double next = (NEXT_COUNTER);                                                    \
    if (!(STAYS)) return false;                                                            \
    r[in->a] = next;                                                                       \
    rt->tick();                                                                            \
    if (r[in->b] != 0 ? next >= r[in->b + 1] : next <= r[in->b + 1]) ZORVAN_JUMP(in->c); \
    ZORVAN_NEXT;                                                                           \
  } while (0)
ForLoop:
  // An Integer counter past Integer's range becomes a Long.
  TURN(r[in->a] + r[in->b + 2], next >= -32768 && next <= 32767);
ForLoopReal:
  // A Double one overflows.
  TURN(r[in->a] + r[in->b + 2], std::isfinite(next));
#undef TURN
Tick:
  rt->tick();
  ZORVAN_NEXT;
Return:
  result = valueOf(in->kind, in->a < 0 ? 0 : r[in->a]);
  return true;
ReturnDouble:
  result = Value(r[in->a]);
  return true;
ReturnTagged:
  result = valueOf(kinds[in->a], r[in->a]);
  return true;
GiveUp:
  return false;
#undef FINITE
}

#pragma GCC diagnostic pop

bool runUnwatchedPlan(const Procedure& procedure, double x, Value& result) {
  const NumericPlan* plan = procedure.plan.get();
  return plan != nullptr && !plan->loops && runPlan(*plan, x, nullptr, result);
}

}  // namespace zorvan::vbs
