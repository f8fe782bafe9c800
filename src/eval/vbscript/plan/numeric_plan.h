#pragma once
// A numeric plan: a procedure's bytecode again, for a call whose one argument
// is a Double, where the types every register may hold at every instruction
// are known when compiled (type inference over the bytecode). Each register is
// a bare double and each instruction does only its numeric fast path; a
// register that may hold several types where its type matters, the
// result's, keeps a type tag beside it. Where a fast path would give way to
// the general one (a result out of range, a counter leaving Integer), the
// plan bails out and the call runs as bytecode from its start, which is
// sound because a planned procedure reaches nothing outside its registers.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/value.h"
#include "eval/fast_result.h"
#include "eval/vbscript/native/native_plan.h"
#include "eval/vbscript/bytecode/opcodes.h"

namespace zorvan::vbs {

struct Code;
struct Procedure;
class Runtime;

// The plan's instruction set, in one list that the enum, the names the
// listing prints and the interpreter's handler table are made from. An
// operand named L or R is the value the instruction before wrote, which the
// runner keeps at hand (its accumulator) rather than reading it back from its
// register: on a chain of arithmetic that saves a store and a load per step.
#define ZORVAN_FOUR_FORMS(X, op) X(op) X(op##L) X(op##R) X(op##LR)
#define ZORVAN_PLAN_OPCODES(X)                                                                           \
  X(Copy) X(CopyL)    /* r[a] = r[b] */                                                                  \
  X(CopyTagged)       /* r[a] = r[b], and its type tag */                                                \
  X(Tag)              /* register a holds a `type` from here, as its tag says */                                 \
  /* r[a] = r[b] op r[c], bailing out unless finite; L: r[b] written just before, R: r[c], LR: both */  \
  ZORVAN_FOUR_FORMS(X, Add) ZORVAN_FOUR_FORMS(X, Sub) ZORVAN_FOUR_FORMS(X, Mul)                          \
  ZORVAN_FOUR_FORMS(X, Div) ZORVAN_FOUR_FORMS(X, Pow)                                                    \
  X(Neg) X(NegL)      /* r[a] = -r[b] */                                                                 \
  X(Math) X(MathL)    /* r[a] = kernel(r[b]), bailing out unless finite */                               \
  ZORVAN_FOUR_FORMS(X, Compare) /* r[a] = (r[b] bop r[c]) as a Boolean */                                \
  ZORVAN_FOUR_FORMS(X, Branch)  /* goto a when (r[b] bop r[c]) == flag */                                \
  X(JumpIf) X(JumpIfL) /* goto a when (r[b] != 0) == flag */                                             \
  X(Jump)             /* goto a */                                                                       \
  X(ForPrep)          /* counter r[a] = r[b]; r[b] = the step's sign as a Boolean; goto c when done */   \
  X(ForLoop)          /* whole counter r[a] += r[b+2], bailing out outside its `type`; goto c unless done */ \
  X(ForLoopReal)      /* Double counter r[a] += r[b+2], bailing out unless finite; goto c unless done */ \
  X(Tick)             /* a loop's turn: the time-out is checked */                                       \
  X(MakeArray)        /* r[a .. a+c-1] = r[b .. b+c-1]: the array's block made */                        \
  X(LoadIndexed)      /* r[a] = r[b + r[c]] (flag: r[c] at hand), bailing out unless 0 <= r[c] < n */    \
  X(Return)           /* the result: r[a] of `type`, or Empty when a < 0 */                         \
  X(ReturnDouble) X(ReturnDoubleL) /* the result: r[a], a Double */                                      \
  X(ReturnTagged)     /* the result: r[a] of the type its tag says */                                    \
  X(BailOut)          /* not reached when planned; here for the form's sake */

enum class PlanOp : std::uint8_t { ZORVAN_PLAN_OPCODES(ZORVAN_AS_ENUMERATOR) };

inline constexpr std::array kPlanOpNames{ZORVAN_PLAN_OPCODES(ZORVAN_AS_NAME)};
constexpr std::string_view planOpName(PlanOp op) { return kPlanOpNames[static_cast<std::size_t>(op)]; }

// The variant of op (one of the unnamed forms above) that takes its first
// operand, or its second, from the value written just before.
constexpr PlanOp withLast(PlanOp op, bool first, bool second) {
  return static_cast<PlanOp>(static_cast<int>(op) + (first ? 1 : 0) + (second ? 2 : 0));
}
// Of an operation with four forms (Add to Pow, Compare, Branch), which: 0
// both operands from registers, 1 the first at hand, 2 the second, 3 both.
constexpr bool hasFourForms(PlanOp op) {
  return (op >= PlanOp::Add && op <= PlanOp::PowLR) || (op >= PlanOp::Compare && op <= PlanOp::BranchLR);
}
constexpr int formOf(PlanOp op) { return (static_cast<int>(op) - static_cast<int>(PlanOp::Add)) % 4; }
static_assert(static_cast<int>(PlanOp::Compare) - static_cast<int>(PlanOp::Add) == 24,
              "four-form operations start at multiples of four from Add");
constexpr bool leftAtHand(PlanOp op) { return (formOf(op) & 1) != 0; }
constexpr bool rightAtHand(PlanOp op) { return (formOf(op) & 2) != 0; }


struct PlanIns {
  PlanOp op = PlanOp::BailOut;
  BinOp bop = BinOp::Add;
  bool flag = false;
  VType type = VType::Empty;  // of Tag and Return
  std::int32_t a = 0, b = 0, c = 0;
  std::int32_t n = 0;  // of LoadIndexed: the array's length; of ForLoop: 1 counting up, -1 down, 0 not known
  double (*kernel)(double) = nullptr;
};

constexpr bool isLoopOp(PlanOp op) { return op >= PlanOp::ForPrep && op <= PlanOp::ForLoopReal; }
// The field holding where an instruction may jump to: a branch's or a
// jump's a, a loop's c; null for the others.
inline const std::int32_t* jumpTarget(const PlanIns& in) {
  if (in.op >= PlanOp::Branch && in.op <= PlanOp::Jump) return &in.a;
  return isLoopOp(in.op) ? &in.c : nullptr;
}
inline std::int32_t* jumpTarget(PlanIns& in) { return const_cast<std::int32_t*>(jumpTarget(std::as_const(in))); }

// How many instructions jump to each place of a plan, its end included.
inline std::vector<int> jumpsInto(const std::vector<PlanIns>& ins) {
  std::vector<int> into(ins.size() + 1, 0);
  for (const PlanIns& in : ins)
    if (const std::int32_t* t = jumpTarget(in)) ++into[static_cast<std::size_t>(*t)];
  return into;
}

// Calls note(r) for each register an instruction reads from its register,
// rather than as the value at hand; a loop instruction's counter counts as
// read.
template <class Note>
void forEachRead(const PlanIns& in, Note note) {
  if (hasFourForms(in.op)) {
    if (!leftAtHand(in.op)) note(in.b);
    if (!rightAtHand(in.op)) note(in.c);
    return;
  }
  switch (in.op) {
    case PlanOp::Copy: case PlanOp::CopyTagged: case PlanOp::Neg: case PlanOp::Math: case PlanOp::JumpIf:
      note(in.b);
      break;
    case PlanOp::MakeArray:
      for (std::int32_t j = 0; j < in.c; ++j) note(in.b + j);
      break;
    case PlanOp::LoadIndexed:  // the whole block, by a subscript known only as it runs
      if (!in.flag) note(in.c);
      for (std::int32_t j = 0; j < in.n; ++j) note(in.b + j);
      break;
    case PlanOp::ForPrep: case PlanOp::ForLoop: case PlanOp::ForLoopReal:
      for (std::int32_t r : {in.a, in.b, in.b + 1, in.b + 2}) note(r);
      break;
    case PlanOp::Return:
      if (in.a >= 0) note(in.a);
      break;
    case PlanOp::ReturnDouble: case PlanOp::ReturnTagged:
      note(in.a);
      break;
    default:
      break;
  }
}

// A plan has at most this many registers.
inline constexpr std::size_t kMaxPlanRegisters = 128;

struct NumericPlan {
  std::vector<PlanIns> ins;
  // The values registers take as a call starts, before the argument goes in
  // register 0: the constants, which follow the code's registers, and 0 in
  // those of the code's registers that may be read while still Empty. No
  // other register is read before it is written.
  std::vector<std::pair<std::int32_t, double>> start;
  bool loops = false;  // it has loop turns, which check the time-out
  // Some registers may hold several types, told apart by a tag as it runs: they start
  // Empty, but for the argument.
  bool tagged = false;
  // Per register of the bytecode, the types it may hold, one bit per VType.
  std::vector<std::uint16_t> types;
  // The procedures whose calls it runs as their own code, inlined: declared
  // again, they leave it out of date.
  std::vector<const Procedure*> inlined;
  // The same in machine code, where it was asked for and this machine has it.
  std::shared_ptr<const NativePlan> native;
};

// A plan for a procedure of one parameter, or null where some instruction
// of its code is not numeric throughout.
std::shared_ptr<const NumericPlan> planFor(const Code& code, std::size_t params, int returnSlot);

// The plan as text: its registers with their types and constants, then its
// instructions; and its machine code, each plan instruction's under it.
std::string listPlan(const NumericPlan& plan);
std::string listMachineCode(const NumericPlan& plan);
std::string listPlanInstruction(const NumericPlan& plan, std::size_t j);

// The plan with machine code beside it, for a procedure the host is about to
// call many times; the plan itself where there is none.
std::shared_ptr<const NumericPlan> withNativeCode(std::shared_ptr<const NumericPlan> plan);

// Runs a plan with x, in machine code where it has some. It may bail out;
// a loop turn may fail with err::TimedOut through rt (null only for a plan
// without loops), so it never answers kAborted.
FastResult runPlan(const NumericPlan& plan, double x, const Runtime* rt);
// The same for a plan without loops, as a prepared handle's direct call runs it.
FastResult interpretLoopFreePlan(const NumericPlan& plan, double x);
inline FastResult runLoopFreePlan(const NumericPlan& plan, double x) {
  if (plan.native == nullptr) return interpretLoopFreePlan(plan, x);
  return plan.native->run(x, nullptr);  // without loops, nothing reads the abort flag
}

}  // namespace zorvan::vbs
