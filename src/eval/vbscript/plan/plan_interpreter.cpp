#include "eval/vbscript/plan/numeric_plan.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "eval/vbscript/native/native_plan.h"
#include "eval/vbscript/plan/numeric_kernels.h"
#include "eval/vbscript/vm/runtime.h"
#include "eval/vbscript/vm/threaded_dispatch.h"

namespace zorvan::vbs {

namespace {

// Labels as values are a GNU extension that GCC and Clang share.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

// Kept out of line: its frame would otherwise burden every call in machine code.
[[gnu::noinline]] FastResult interpret(const NumericPlan& plan, double x, const Runtime* rt) {
#define ZORVAN_LABEL(name) &&name,
  ZORVAN_HANDLER_TABLE(ZORVAN_PLAN_OPCODES, PlanOp, ZORVAN_LABEL);
#undef ZORVAN_LABEL
  double r[kMaxPlanRegisters];
  for (const auto& [reg, v] : plan.start) r[reg] = v;
  r[0] = x;
  double last = x;  // the value the instruction before wrote
  VType tags[kMaxPlanRegisters];
  if (plan.tagged) {
    std::memset(tags, 0, sizeof tags);
    static_assert(static_cast<int>(VType::Empty) == 0);
    tags[0] = VType::Double;
  }
  const PlanIns* const start = plan.ins.data();
  const PlanIns* in = start;
  // Writes a result where it is finite; anything else is the general path's to fail on.
#define WRITE(EXPR)                       \
  do {                                    \
    const double v_ = (EXPR);             \
    if (!std::isfinite(v_)) return FastResult::bailedOut(); \
    r[in->a] = last = v_;                 \
    ZORVAN_NEXT;                          \
  } while (0)
  // An operation's four forms: its operands from registers, or the one
  // written just before as the left, the right or both.
#define FOUR(NAME, DO)           \
  NAME:                          \
  DO(r[in->b], r[in->c]);        \
  NAME##L:                       \
  DO(last, r[in->c]);            \
  NAME##R:                       \
  DO(r[in->b], last);            \
  NAME##LR:                      \
  DO(last, last)
#define ADD(X, Y) WRITE(addKernel(X, Y))
#define SUB(X, Y) WRITE(subKernel(X, Y))
#define MUL(X, Y) WRITE(mulKernel(X, Y))
#define DIV(X, Y) WRITE(divKernel(X, Y))
#define POW(X, Y) WRITE(powKernel(X, Y))
#define COMPARE(X, Y)                                          \
  do {                                                         \
    r[in->a] = last = holds(in->bop, X, Y) ? -1 : 0;           \
    ZORVAN_NEXT;                                               \
  } while (0)
#define BRANCH(X, Y)                                           \
  do {                                                         \
    if (holds(in->bop, X, Y) == in->flag) ZORVAN_JUMP(in->a);  \
    ZORVAN_NEXT;                                               \
  } while (0)
  ZORVAN_DISPATCH;
Copy:
  r[in->a] = last = r[in->b];
  ZORVAN_NEXT;
CopyL:
  r[in->a] = last;
  ZORVAN_NEXT;
CopyTagged:
  r[in->a] = last = r[in->b];
  tags[in->a] = tags[in->b];
  ZORVAN_NEXT;
Tag:
  tags[in->a] = in->type;
  ZORVAN_NEXT;
  FOUR(Add, ADD);
  FOUR(Sub, SUB);
  FOUR(Mul, MUL);
  FOUR(Div, DIV);
  FOUR(Pow, POW);
Neg:
  r[in->a] = last = -r[in->b];
  ZORVAN_NEXT;
NegL:
  r[in->a] = last = -last;
  ZORVAN_NEXT;
Math:
  WRITE(in->kernel(r[in->b]));
MathL:
  WRITE(in->kernel(last));
  FOUR(Compare, COMPARE);
  FOUR(Branch, BRANCH);
JumpIf:
  if ((r[in->b] != 0) == in->flag) ZORVAN_JUMP(in->a);
  ZORVAN_NEXT;
JumpIfL:
  if ((last != 0) == in->flag) ZORVAN_JUMP(in->a);
  ZORVAN_NEXT;
Jump:
  ZORVAN_JUMP(in->a);
ForPrep:
  if (forLoopSkipped(r, in->a, in->b)) ZORVAN_JUMP(in->c);
  ZORVAN_NEXT;
  // A loop's turn: the counter steps on, the time-out is checked, and the
  // loop goes on while the counter has not passed the end.
#define TURN(NEXT_COUNTER, STAYS)                                                          \
  do {                                                                                     \
    const double next = (NEXT_COUNTER);                                                    \
    if (!(STAYS)) return FastResult::bailedOut();                                          \
    r[in->a] = next;                                                                       \
    rt->tick();                                                                            \
    if (r[in->b] != 0 ? next >= r[in->b + 1] : next <= r[in->b + 1]) ZORVAN_JUMP(in->c); \
    ZORVAN_NEXT;                                                                           \
  } while (0)
ForLoop:
  // A whole counter past its type's range becomes another type.
  TURN(r[in->a] + r[in->b + 2], in->type == VType::Integer ? next >= -32768 && next <= 32767
                                                            : next >= -2147483648.0 && next <= 2147483647.0);
ForLoopReal:
  // A Double one overflows.
  TURN(r[in->a] + r[in->b + 2], std::isfinite(next));
#undef TURN
Tick:
  rt->tick();
  ZORVAN_NEXT;
MakeArray:
  std::memcpy(&r[in->a], &r[in->b], sizeof(double) * static_cast<std::size_t>(in->c));
  ZORVAN_NEXT;
LoadIndexed: {
  const double i = in->flag ? last : r[in->c];
  if (!(i >= 0 && i < in->n)) return FastResult::bailedOut();
  r[in->a] = last = r[in->b + static_cast<std::int32_t>(i)];
  ZORVAN_NEXT;
}
Return:
  return {in->a < 0 ? 0 : r[in->a], static_cast<std::int64_t>(in->type)};
ReturnDouble:
  return {r[in->a], static_cast<std::int64_t>(VType::Double)};
ReturnDoubleL:
  return {last, static_cast<std::int64_t>(VType::Double)};
ReturnTagged:
  return {r[in->a], static_cast<std::int64_t>(tags[in->a])};
BailOut:
  return FastResult::bailedOut();
#undef BRANCH
#undef COMPARE
#undef POW
#undef DIV
#undef MUL
#undef SUB
#undef ADD
#undef FOUR
#undef WRITE
}

#pragma GCC diagnostic pop

}  // namespace

std::shared_ptr<const NumericPlan> withNativeCode(std::shared_ptr<const NumericPlan> plan) {
  if (plan == nullptr || plan->native != nullptr) return plan;
  auto native = compileNative(*plan);
  if (native == nullptr) return plan;
  auto copy = std::make_shared<NumericPlan>(*plan);
  copy->native = std::move(native);
  return copy;
}

FastResult interpretLoopFreePlan(const NumericPlan& plan, double x) { return interpret(plan, x, nullptr); }

FastResult runPlan(const NumericPlan& plan, double x, const Runtime* rt) {
  if (plan.native == nullptr) return interpret(plan, x, rt);
  static const AbortWord kNever{0};
  const AbortWord* abort = rt != nullptr ? rt->abortFlag() : nullptr;
  const FastResult r = plan.native->run(x, abort != nullptr ? abort : &kNever);
  if (r.tag == FastResult::kAborted) rt->tick();  // fails with the time-out
  return r;
}

}  // namespace zorvan::vbs
