#include "eval/vbscript/vm/interpreter.h"

#include <cmath>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "common/fold_case.h"
#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/bytecode/program.h"
#include "eval/vbscript/vm/array_ops.h"
#include "eval/vbscript/vm/error_handling.h"
#include "eval/vbscript/plan/numeric_kernels.h"
#include "eval/vbscript/vm/threaded_dispatch.h"

namespace zorvan::vbs {

namespace {

// Guards one call level: depth, native stack and the abort flag.
class CallGuard {
 public:
  explicit CallGuard(Runtime& rt) : rt_(rt) { rt_.enterCall(); }
  ~CallGuard() { rt_.leaveCall(); }
  CallGuard(const CallGuard&) = delete;
  CallGuard& operator=(const CallGuard&) = delete;

 private:
  Runtime& rt_;
};

// The registers of one call, popped however the call ends, with the
// variables Execute made in it.
class FrameScope {
 public:
  FrameScope(Runtime& rt, int registers) : rt_(rt), n_(static_cast<std::size_t>(registers)) {
    regs_ = rt_.stack.push(n_, mark_);
  }
  ~FrameScope() {
    if (!rt_.callVariables.empty()) [[unlikely]]
      rt_.callVariables.erase(regs_);
    rt_.stack.pop(mark_, regs_, n_);
  }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;
  Slot* regs() const { return regs_; }

 private:
  Runtime& rt_;
  std::size_t n_;
  SlotStack::Mark mark_{};
  Slot* regs_;
};

Value binaryOp(BinOp op, const Value& a, const Value& b) {
  switch (op) {
    case BinOp::Add: return add(a, b);
    case BinOp::Sub: return sub(a, b);
    case BinOp::Mul: return mul(a, b);
    case BinOp::Div: return div(a, b);
    case BinOp::IntDiv: return intDiv(a, b);
    case BinOp::Mod: return mod(a, b);
    case BinOp::Pow: return power(a, b);
    case BinOp::Concat: return concat(a, b);
    case BinOp::And: return logicalAnd(a, b);
    case BinOp::Or: return logicalOr(a, b);
    case BinOp::Xor: return logicalXor(a, b);
    case BinOp::Eqv: return logicalEqv(a, b);
    case BinOp::Imp: return logicalImp(a, b);
    case BinOp::Is: return sameObject(a, b);
    default: break;
  }
  // The comparisons: Null compared with anything is Null.
  if (a.isNull() || b.isNull()) return Value::null();
  const int c = compare(a, b);
  switch (op) {
    case BinOp::Eq: return Value::boolean(c == 0);
    case BinOp::Ne: return Value::boolean(c != 0);
    case BinOp::Lt: return Value::boolean(c < 0);
    case BinOp::Gt: return Value::boolean(c > 0);
    case BinOp::Le: return Value::boolean(c <= 0);
    default: return Value::boolean(c >= 0);
  }
}

// A condition: Null counts as False.
bool truth(const Value& v) {
  if (v.type() == VType::Boolean) return v.rawWhole() != 0;
  if (v.isNull()) return false;
  return v.toBoolean();
}

// Whether a For loop goes on with its counter where it is.
bool forContinues(const Value& counter, const Value& end, bool down) {
  int c;
  if (counter.type() == VType::Integer && end.type() == VType::Integer) {
    c = counter.rawWhole() < end.rawWhole() ? -1 : (counter.rawWhole() > end.rawWhole() ? 1 : 0);
  } else if (counter.isDouble() && end.isDouble()) {
    c = counter.rawDouble() < end.rawDouble() ? -1 : (counter.rawDouble() > end.rawDouble() ? 1 : 0);
  } else {
    c = compare(counter.toNumber(), end);
  }
  return down ? c >= 0 : c <= 0;
}

bool callProcedure(const Procedure& p, const CallSite& site, Frame& caller, Value& result);
inline bool callSite(const CallSite& site, Frame& caller, Value& result) {
  return callProcedure(*site.procedure, site, caller, result);
}

// The variables of the call made by their use that name a global declared
// since they were bound: each is that global from now on, unless the call
// has given it a value of its own already.
[[gnu::noinline]] void bindLateGlobals(const Code& code, Frame& f) {
  Runtime& rt = *f.rt;
  f.globalsSeen = rt.globals.size();
  if (!rt.findGlobal) return;
  for (const auto& [key, slot] : code.scope->implicit) {
    Slot& s = f.regs[slot];
    if (s.ref != &s.own || !s.own.isEmpty()) continue;
    const int global = rt.findGlobal(key);
    if (global >= 0) s.ref = &rt.globals[static_cast<std::size_t>(global)];
  }
}
// Whether globals were declared since the call last looked; never for code
// without variables made by use.
inline bool globalsAdded(const Frame& f) { return f.rt->globals.size() > f.globalsSeen; }
inline std::size_t globalsKnownBy(const Code& code) {
  const LocalScope* scope = code.scope.get();
  return scope != nullptr && !scope->implicit.empty() ? scope->globalsKnown : SIZE_MAX;
}

// Eval, Execute or ExecuteGlobal of a register's text; false when the
// text's run failed, with its error in rt.failure.
[[gnu::noinline]] bool scriptText(const Ins& in, const Code& code, Slot* R, Runtime& rt) {
  const std::string text = R[in.b].ref->toText();
  if (!rt.scriptText) raise(err::InvalidCall);
  Value v;
  if (!rt.scriptText(in.c, text, code.scope.get(), R, v)) return false;
  *R[in.a].ref = std::move(v);
  return true;
}

// A call of the procedure of that name found as it runs, which text run
// since may have declared; its variables go by reference where it takes them so.
[[gnu::noinline]] bool lateCall(const Ins& in, const Code& code, Frame& f, Value& result) {
  const std::string& name = code.texts[static_cast<std::size_t>(in.n)];
  const Procedure* p = f.rt->findProcedure ? f.rt->findProcedure(foldCase(name)) : nullptr;
  if (p == nullptr) raise(err::TypeMismatch, name);
  return callProcedure(*p, code.calls[static_cast<std::size_t>(in.c)], f, result);
}

// Stores a fast path's result where it is finite; anything else is for the
// general path to give its error.
inline bool finite(Value& dst, double r) {
  if (!std::isfinite(r)) return false;
  dst.setDouble(r);
  return true;
}

// Both operands as doubles where the result is a Double whatever the
// operator: two Doubles, or a Double and a whole number.
inline bool numbers(const Value& a, const Value& b, double& x, double& y) {
  if (a.isDouble() && b.isDouble()) [[likely]] {
    x = a.rawDouble();
    y = b.rawDouble();
    return true;
  }
  return detail::realPair(a, b, x, y);
}

// Labels as values are a GNU extension that GCC and Clang share.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

// Each handler dispatches the next instruction itself (threaded_dispatch.h).
// A handler's numeric fast path sits beside its general path.
// The registers and the runtime come as arguments of their own: read back
// from a frame just written, they would wait for the stores to retire.
// False when the call failed: its error is then in rt.failure. A failure is
// handed from call to call by that return rather than thrown on, so that
// an error 28 at the deepest level of a recursion costs one throw, not one
// at every level.
template <bool Fast>
bool execute(const Code& code, Slot* const R, Runtime& rt) {
#define ZORVAN_LABEL(name) &&op_##name,
  ZORVAN_HANDLER_TABLE(ZORVAN_OPCODES, Op, ZORVAN_LABEL);
#undef ZORVAN_LABEL
  Frame f{R, &rt, false, globalsKnownBy(code)};
  if (globalsAdded(f)) [[unlikely]]
    bindLateGlobals(code, f);
  const Value* const K = code.constants.data();
  const Ins* const start = code.ins.data();
  const Ins* in = start;  // the instruction being run
  auto rk = [R, K](std::int32_t o) -> const Value& { return operandOf(o, R, K); };
  auto reg = [R](std::int32_t o) -> Value& { return *R[o].ref; };
  auto place = [R, &rt](std::int32_t o) -> Value& { return placeOf(o, R, rt); };
  // Assign and SetGlobal: the value checked as the assignment takes it. It
  // takes R and K by value: a closure that held rk by reference would keep
  // them in memory for the whole interpreter.
  auto assign = [R, K](const Ins* i, Value& dst) {
    const Value& v = operandOf(i->b, R, K);
    checkAssigned(v, i->flag);
    dst = v;
  };
  for (;;) {
    try {
      ZORVAN_DISPATCH;
    op_Move:
      reg(in->a) = rk(in->b);
      ZORVAN_NEXT;
    op_Assign:
      assign(in, reg(in->a));
      ZORVAN_NEXT;
    op_AssignReturn:
      assign(in, reg(in->a));
      return true;
    op_GetGlobal:
      reg(in->a) = rt.globals[static_cast<std::size_t>(in->b)];
      ZORVAN_NEXT;
    op_SetGlobal:
      assign(in, rt.globals[static_cast<std::size_t>(in->a)]);
      ZORVAN_NEXT;
#define ZORVAN_ARITHMETIC(OPCODE, EXPR, GENERAL)                        \
  op_##OPCODE : {                                                       \
    const Value &a = rk(in->b), &b = rk(in->c);                         \
    if constexpr (Fast) {                                               \
      double x, y;                                                      \
      if (numbers(a, b, x, y) && finite(reg(in->a), EXPR)) ZORVAN_NEXT; \
    }                                                                   \
    reg(in->a) = GENERAL(a, b);                                         \
    ZORVAN_NEXT;                                                        \
  }
    ZORVAN_ARITHMETIC(Add, addKernel(x, y), add)
    ZORVAN_ARITHMETIC(Sub, subKernel(x, y), sub)
    ZORVAN_ARITHMETIC(Mul, mulKernel(x, y), mul)
    ZORVAN_ARITHMETIC(Div, divKernel(x, y), div)
    ZORVAN_ARITHMETIC(Pow, powKernel(x, y), power)
#undef ZORVAN_ARITHMETIC
#define ZORVAN_ARITHMETIC_K(OPCODE, EXPR, GENERAL)                         \
  op_##OPCODE : {                                                          \
    const Value& v = rk(in->b);                                            \
    if (v.isDouble()) {                                                    \
      const double x = in->flag ? in->k : v.rawDouble();                   \
      const double y = in->flag ? v.rawDouble() : in->k;                   \
      if (finite(reg(in->a), EXPR)) ZORVAN_NEXT;                           \
    }                                                                      \
    reg(in->a) = in->flag ? GENERAL(K[~in->c], v) : GENERAL(v, K[~in->c]); \
    ZORVAN_NEXT;                                                           \
  }
    ZORVAN_ARITHMETIC_K(AddK, addKernel(x, y), add)
    ZORVAN_ARITHMETIC_K(SubK, subKernel(x, y), sub)
    ZORVAN_ARITHMETIC_K(MulK, mulKernel(x, y), mul)
    ZORVAN_ARITHMETIC_K(DivK, divKernel(x, y), div)
#undef ZORVAN_ARITHMETIC_K
    op_Binary:
      reg(in->a) = binaryOp(in->bop, rk(in->b), rk(in->c));
      ZORVAN_NEXT;
    op_Compare: {
      const Value &a = rk(in->b), &b = rk(in->c);
      if (Fast && a.isDouble() && b.isDouble()) reg(in->a) = Value::boolean(holds(in->bop, a.rawDouble(), b.rawDouble()));
      else reg(in->a) = binaryOp(in->bop, a, b);
      ZORVAN_NEXT;
    }
    op_Branch: {
      const Value &a = rk(in->b), &b = rk(in->c);
      double x, y;
      const bool t = Fast && numbers(a, b, x, y) ? holds(in->bop, x, y) : truth(binaryOp(in->bop, a, b));
      if (t == in->flag) ZORVAN_JUMP(in->a);
      ZORVAN_NEXT;
    }
    op_BranchK: {
      const Value& a = rk(in->b);
      const bool t = Fast && a.isDouble() ? holds(in->bop, a.rawDouble(), in->k) : truth(binaryOp(in->bop, a, rk(in->c)));
      if (t == in->flag) ZORVAN_JUMP(in->a);
      ZORVAN_NEXT;
    }
    op_Neg: {
      const Value& a = rk(in->b);
      if (Fast && a.isDouble()) reg(in->a).setDouble(-a.rawDouble());
      else reg(in->a) = negate(a);
      ZORVAN_NEXT;
    }
    op_Not:
      reg(in->a) = logicalNot(rk(in->b));
      ZORVAN_NEXT;
    op_Jump:
      ZORVAN_JUMP(in->a);
    op_JumpIf:
      if (truth(rk(in->b)) == in->flag) ZORVAN_JUMP(in->a);
      ZORVAN_NEXT;
    op_Math: {
      const Value& a = rk(in->b);
      if (a.isDouble() && finite(reg(in->a), in->builtin->kernel(a.rawDouble()))) ZORVAN_NEXT;
      reg(in->a) = in->builtin->unary(a);
      ZORVAN_NEXT;
    }
    op_Unary:
      reg(in->a) = in->builtin->unary(rk(in->b));
      ZORVAN_NEXT;
    op_CallBuiltin:
      {  // the arguments' copies end before the next dispatch jumps away
        Value args[kMaxBuiltinArgs];
        for (std::int32_t i = 0; i < in->c; ++i) args[i] = reg(in->b + i);
        reg(in->a) = in->builtin->fn(args, static_cast<std::size_t>(in->c));
      }
      ZORVAN_NEXT;
    op_CallProc:
      if (!callSite(code.calls[static_cast<std::size_t>(in->c)], f, reg(in->a))) [[unlikely]]
        goto failed;
      if (globalsAdded(f)) [[unlikely]]
        bindLateGlobals(code, f);
      ZORVAN_NEXT;
    op_ToNumber:
      reg(in->a) = reg(in->a).toNumber();
      ZORVAN_NEXT;
    op_ForPrep: {
      Value& first = reg(in->b);
      place(in->a) = first;
      const bool down = compare(reg(in->b + 2), Value::integer(0)) < 0;
      first = Value::boolean(down);
      rt.tick();
      if (!forContinues(place(in->a), reg(in->b + 1), down)) ZORVAN_JUMP(in->c);
      ZORVAN_NEXT;
    }
    op_ForLoop: {
      Value& c = place(in->a);
      // The loop's down flag, end and step are its own temporaries, which no call binds.
      const Value& step = R[in->b + 2].own;
      const Value& end = R[in->b + 1].own;
      if (Fast && c.type() == VType::Integer && step.type() == VType::Integer && end.type() == VType::Integer) {
        // The usual For i = 1 To n: Integer arithmetic that cannot leave Integer here.
        const std::int32_t by = step.rawNonEmptyWhole();
        const std::int32_t next = c.rawNonEmptyWhole() + by;
        if (next >= -32768 && next <= 32767) {
          c = Value::integer(static_cast<std::int16_t>(next));
          rt.tick();
          if (by < 0 ? next >= end.rawNonEmptyWhole() : next <= end.rawNonEmptyWhole()) ZORVAN_JUMP(in->c);
          ZORVAN_NEXT;
        }
      }
      c = add(c, step);
      rt.tick();
      if (forContinues(c, end, R[in->b].own.rawWhole() != 0)) ZORVAN_JUMP(in->c);
      ZORVAN_NEXT;
    }
    op_Tick:
      rt.tick();
      ZORVAN_NEXT;
    op_OnError:
      f.resumeNext = in->flag;
      rt.err.clear();
      ZORVAN_NEXT;
    op_ErrProperty:
      reg(in->a) = errProperty(rt, in->b);
      ZORVAN_NEXT;
    op_ErrClear:
      rt.err.clear();
      ZORVAN_NEXT;
    op_ErrNumber:
      reg(in->a) = Value::longInt(errRaiseNumber(reg(in->a)));
      ZORVAN_NEXT;
    op_ErrRaise: {
      Value args[5];
      for (std::int32_t i = 0; i < in->b; ++i)
        if (in->c & (1 << i)) args[i] = reg(in->a + i);
      errRaise(rt, args, static_cast<unsigned>(in->c));
    }
    op_ErrSet:
      errSet(rt, in->b, reg(in->a));
      ZORVAN_NEXT;
    op_ScriptText:
      if (!scriptText(*in, code, R, rt)) goto failed;
      if (globalsAdded(f)) bindLateGlobals(code, f);
      ZORVAN_NEXT;
    op_LateCall:
      if (!lateCall(*in, code, f, reg(in->a))) goto failed;
      if (globalsAdded(f)) bindLateGlobals(code, f);
      ZORVAN_NEXT;
    op_NewArray:
      newArrayOp(*in, code, R, rt);
      ZORVAN_NEXT;
    op_MakeArray:
      makeArrayOp(*in, R);
      ZORVAN_NEXT;
    op_Index:
      indexOp(*in, code, R, rt);
      ZORVAN_NEXT;
    op_SetIndex:
      setIndexOp(*in, code, R, rt);
      ZORVAN_NEXT;
    op_ReDim:
      redimOp(*in, R, rt);
      ZORVAN_NEXT;
    op_Erase:
      eraseOp(*in, R, rt);
      ZORVAN_NEXT;
    op_ForEachPrep:
      if (!forEachFirst(*in, R, rt)) ZORVAN_JUMP(in->c);
      ZORVAN_NEXT;
    op_ForEachLoop:
      if (forEachNext(*in, R, rt)) ZORVAN_JUMP(in->c);
      ZORVAN_NEXT;
    op_Raise:
      if (in->b >= 0) raise(in->a, code.texts[static_cast<std::size_t>(in->b)]);
      raise(in->a);
    op_Return:
      return true;
    } catch (ScriptError& e) {
      rt.failure = std::move(e);
      goto failed;
    }
    continue;
  failed:
    // The failure of this instruction, raised here or handed up by a call.
    if (!f.resumeNext || !canResume(rt.failure)) {
      code.place(rt.failure, static_cast<std::int32_t>(in - start));
      return false;
    }
    noteError(rt, rt.failure);
    rt.tick();  // a loop of failing statements still meets the time-out
    in = start + code.resumeAt(static_cast<std::int32_t>(in - start));
  }
}
#pragma GCC diagnostic pop

[[gnu::always_inline]] inline bool run(const Code& code, Slot* regs, Runtime& rt) {
  return code.fast ? execute<true>(code, regs, rt) : execute<false>(code, regs, rt);
}

// Where a failure leaves the interpreter for the host or for C++ code that
// called into it: thrown again.
[[noreturn]] void rethrowFailure(Runtime& rt) { throw ScriptError(std::move(rt.failure)); }

// The value a call left in its result register, if it has one.
Value resultIn(Slot* regs, int slot) { return slot >= 0 ? std::move(regs[slot].own) : Value(); }

// What a call of a procedure runs, taken as the call starts: ExecuteGlobal
// may declare the procedure again while the call runs, and the old code
// then lives on in the module until the host's next call.
struct Callee {
  explicit Callee(const Procedure& p) : code(*p.code), returnSlot(p.returnSlot) {}
  const Code& code;
  int returnSlot;
  Value result(Slot* regs) const { return resultIn(regs, returnSlot); }
};

bool callProcedure(const Procedure& p, const CallSite& site, Frame& caller, Value& result) {
  // Declared again since this call was compiled, it may take other arguments.
  if (site.args.size() != p.params.size()) [[unlikely]]
    raise(err::WrongArguments, p.name);
  const Callee callee(p);
  Runtime& rt = *caller.rt;
  CallGuard guard(rt);
  FrameScope frame(rt, callee.code.registers);
  Slot* s = frame.regs();
  for (std::size_t i = 0; i < site.args.size(); ++i) {
    const CallArg& a = site.args[i];
    // A variable goes by reference where the parameter is ByRef, as the
    // procedure declares it when the call runs; otherwise its value is copied.
    Value* variable = nullptr;
    switch (a.kind) {
      case CallArg::Kind::Local:
        variable = caller.regs[a.index].ref;
        break;
      case CallArg::Kind::Global:
        variable = &rt.globals[static_cast<std::size_t>(a.index)];
        break;
      case CallArg::Kind::Value:
        s[i].own = std::move(caller.regs[a.index].own);
        continue;
    }
    if (p.params[i].byRef) [[likely]]
      s[i].ref = variable;
    else
      s[i].own = *variable;
  }
  if (!run(callee.code, s, rt)) return false;
  result = callee.result(s);
  return true;
}

}  // namespace

// Unguarded: at the host's own level the depth is nought, the stack at its
// top and the abort flag just cleared; a late call guards its own level.
Value callFromHost(const Procedure& p, Runtime& rt, const Value* args, std::size_t count) {
  if (count != p.params.size()) raise(err::WrongArguments, p.name);
  const Callee callee(p);
  FrameScope frame(rt, callee.code.registers);
  Slot* s = frame.regs();
  // A frame's values are Empty until written: a copy needs no release first.
  for (std::size_t i = 0; i < count; ++i) new (&s[i].own) Value(args[i]);
  if (!run(callee.code, s, rt)) rethrowFailure(rt);
  return callee.result(s);
}

bool runInScope(const Code& code, Runtime& rt, Slot* outer, int shared, std::span<Value* const> kept, int resultSlot,
                Value& result) {
  CallGuard guard(rt);
  FrameScope frame(rt, code.registers);
  Slot* s = frame.regs();
  for (int i = 0; i < shared; ++i) s[i].ref = outer[i].ref;
  for (std::size_t i = 0; i < kept.size(); ++i) s[static_cast<std::size_t>(shared) + i].ref = kept[i];
  if (!run(code, s, rt)) return false;
  result = resultIn(s, resultSlot);
  return true;
}

void runGlobalCode(const Code& code, Runtime& rt) {
  FrameScope frame(rt, code.registers);
  if (!run(code, frame.regs(), rt)) rethrowFailure(rt);
}

}  // namespace zorvan::vbs
