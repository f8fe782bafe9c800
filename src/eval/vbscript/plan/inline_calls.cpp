#include "eval/vbscript/plan/inline_calls.h"

#include <algorithm>
#include <cstddef>

#include "eval/vbscript/bytecode/program.h"
#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

namespace {

constexpr int kMaxDepth = 4;                 // calls within calls opened up
constexpr std::size_t kMaxInstructions = 1024;  // as many as a plan takes

class Inliner {
 public:
  explicit Inliner(InlinedCode& out) : out_(out) {}

  // Appends code, its registers from `base` and its constants after those
  // already there; the result of a Return goes to `end`'s jump. False where
  // something cannot be inlined.
  bool append(const Code& code, std::int32_t base, std::vector<const Procedure*>& chain) {
    const std::int32_t constants = static_cast<std::int32_t>(out_.code.constants.size());
    out_.code.constants.insert(out_.code.constants.end(), code.constants.begin(), code.constants.end());
    // Where each instruction of `code` begins in the copy, for its jumps.
    std::vector<std::int32_t> at(code.ins.size() + 1);
    std::vector<std::pair<std::size_t, std::int32_t>> jumps;  // copy index, target in `code`
    std::vector<std::size_t> returns;                         // jumps to the end
    const auto reg = [&](std::int32_t r) { return r + base; };
    const auto rk = [&](std::int32_t o) { return o >= 0 ? o + base : ~(~o + constants); };
    for (std::size_t pc = 0; pc < code.ins.size(); ++pc) {
      at[pc] = static_cast<std::int32_t>(out_.code.ins.size());
      Ins in = code.ins[pc];
      switch (in.op) {
        case Op::Move: case Op::Assign: case Op::Neg: case Op::Math:
          in.a = reg(in.a);
          in.b = rk(in.b);
          break;
        case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Pow: case Op::Compare:
          in.a = reg(in.a);
          in.b = rk(in.b);
          in.c = rk(in.c);
          break;
        case Op::AddK: case Op::SubK: case Op::MulK: case Op::DivK:
          in.a = reg(in.a);
          in.b = rk(in.b);
          break;
        case Op::Branch: case Op::BranchK:
          in.b = rk(in.b);
          if (in.op == Op::Branch) in.c = rk(in.c);
          jumps.emplace_back(out_.code.ins.size(), in.a);
          break;
        case Op::Jump:
          jumps.emplace_back(out_.code.ins.size(), in.a);
          break;
        case Op::JumpIf:
          in.b = rk(in.b);
          jumps.emplace_back(out_.code.ins.size(), in.a);
          break;
        case Op::ToNumber:
          in.a = reg(in.a);
          break;
        case Op::MakeArray: case Op::CallBuiltin:
          in.a = reg(in.a);
          in.b = reg(in.b);
          break;
        case Op::Index:
          if (in.b < 0) return false;  // an array in a global
          in.a = reg(in.a);
          in.b = reg(in.b);
          in.c = reg(in.c);
          break;
        case Op::ForPrep: case Op::ForLoop:
          if (in.a < 0) return false;  // a global counter
          in.a = reg(in.a);
          in.b = reg(in.b);
          jumps.emplace_back(out_.code.ins.size(), in.c);
          break;
        case Op::Tick:
          break;
        case Op::AssignReturn:
          if (base == 0) break;  // the caller's own: it ends the call
          in.op = Op::Assign;
          in.a = reg(in.a);
          in.b = rk(in.b);
          push(in);
          returns.push_back(out_.code.ins.size());
          push(make(Op::Jump));
          continue;
        case Op::Return:
          if (base == 0) break;
          if (pc + 1 == code.ins.size()) continue;  // the end is next
          returns.push_back(out_.code.ins.size());
          push(make(Op::Jump));
          continue;
        case Op::CallProc:
          if (!call(code, in, base, chain)) return false;
          continue;
        default:
          return false;  // a plan would not take it anyway
      }
      push(in);
    }
    at[code.ins.size()] = static_cast<std::int32_t>(out_.code.ins.size());
    for (const auto& [index, target] : jumps) {
      std::int32_t& t = index_target(out_.code.ins[index]);
      if (target < 0 || static_cast<std::size_t>(target) > code.ins.size()) return false;
      t = at[static_cast<std::size_t>(target)];
    }
    for (std::size_t index : returns) out_.code.ins[index].a = static_cast<std::int32_t>(out_.code.ins.size());
    return out_.code.ins.size() <= kMaxInstructions;
  }

 private:
  static std::int32_t& index_target(Ins& in) { return in.op == Op::ForPrep || in.op == Op::ForLoop ? in.c : in.a; }

  void push(const Ins& in) { out_.code.ins.push_back(in); }
  static Ins make(Op op, std::int32_t a = 0, std::int32_t b = 0) {
    Ins in;
    in.op = op;
    in.a = a;
    in.b = b;
    return in;
  }

  std::int32_t emptyConstant() {
    if (empty_ < 0) {
      out_.code.constants.emplace_back();
      empty_ = static_cast<std::int32_t>(out_.code.constants.size()) - 1;
    }
    return ~empty_;
  }

  // A call: its arguments into the callee's registers, every other register
  // of the callee emptied as a new frame's are, the callee's code, then its
  // result into the caller's register and each argument variable the callee
  // may have written back into it.
  bool call(const Code& code, const Ins& in, std::int32_t base, std::vector<const Procedure*>& chain) {
    const CallSite& site = code.calls[static_cast<std::size_t>(in.c)];
    const Procedure& p = *site.procedure;
    if (p.code == nullptr || !p.code->fast || site.args.size() != p.params.size()) return false;
    if (static_cast<int>(chain.size()) >= kMaxDepth || std::find(chain.begin(), chain.end(), &p) != chain.end())
      return false;
    const Code& callee = *p.code;
    const std::int32_t calleeBase = out_.code.registers;
    out_.code.registers += callee.registers;
    if (static_cast<std::size_t>(out_.code.registers) > kMaxPlanRegisters) return false;
    std::vector<std::pair<std::int32_t, std::int32_t>> writeBacks;  // caller register, callee register
    for (std::size_t i = 0; i < site.args.size(); ++i) {
      const CallArg& a = site.args[i];
      if (a.kind == CallArg::Kind::Global) return false;
      const auto param = calleeBase + static_cast<std::int32_t>(i);
      push(make(Op::Move, param, a.index + base));
      if (a.kind == CallArg::Kind::Local && p.params[i].byRef && writes(callee, static_cast<std::int32_t>(i))) {
        // Passed twice by reference, the two parameters would be one variable.
        for (const auto& [caller, ignored] : writeBacks)
          if (caller == a.index + base) return false;
        writeBacks.emplace_back(a.index + base, param);
      }
    }
    const std::vector<bool> reset = readBeforeWritten(callee, p.returnSlot);
    for (std::int32_t r = static_cast<std::int32_t>(site.args.size()); r < callee.registers; ++r)
      if (reset[static_cast<std::size_t>(r)]) push(make(Op::Move, calleeBase + r, emptyConstant()));
    chain.push_back(&p);
    const bool ok = append(callee, calleeBase, chain);
    chain.pop_back();
    if (!ok) return false;
    if (std::find(out_.callees.begin(), out_.callees.end(), &p) == out_.callees.end()) out_.callees.push_back(&p);
    for (const auto& [caller, param] : writeBacks) push(make(Op::Move, caller, param));
    const std::int32_t result = p.returnSlot >= 0 ? calleeBase + p.returnSlot : emptyConstant();
    push(make(Op::Move, in.a + base, result));
    return true;
  }

  // The registers a call of the code may read before it writes them, which
  // must start Empty as a new frame's do; every one where the code jumps.
  static std::vector<bool> readBeforeWritten(const Code& code, int returnSlot) {
    const auto n = static_cast<std::size_t>(code.registers);
    std::vector<bool> read(n, false), written(n, false);
    const auto use = [&](std::int32_t r) {
      if (r >= 0 && !written[static_cast<std::size_t>(r)]) read[static_cast<std::size_t>(r)] = true;
    };
    const auto def = [&](std::int32_t r) { written[static_cast<std::size_t>(r)] = true; };
    for (const Ins& in : code.ins) {
      switch (in.op) {
        case Op::Move: case Op::Assign: case Op::Neg: case Op::Math: case Op::AddK: case Op::SubK: case Op::MulK:
        case Op::DivK:
          use(in.b);
          def(in.a);
          break;
        case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Pow: case Op::Compare:
          use(in.b);
          use(in.c);
          def(in.a);
          break;
        case Op::AssignReturn:
          use(in.b);
          def(in.a);
          break;
        case Op::ToNumber:
          use(in.a);
          break;
        case Op::Return: case Op::Tick:
          break;
        default:  // a jump or a call: anything may be read first
          return std::vector<bool>(n, true);
      }
    }
    if (returnSlot >= 0) use(returnSlot);
    return read;
  }

  // Whether the code may write register r.
  static bool writes(const Code& code, std::int32_t r) {
    for (const Ins& in : code.ins) {
      switch (in.op) {
        case Op::Branch: case Op::BranchK: case Op::Jump: case Op::JumpIf: case Op::Tick: case Op::Return:
          break;
        case Op::ForPrep:
          if (in.a == r || in.b == r) return true;
          break;
        case Op::CallProc:
          return true;  // it may pass r on by reference
        default:
          if (in.a == r) return true;
      }
    }
    return false;
  }

  InlinedCode& out_;
  std::int32_t empty_ = -1;
};

}  // namespace

std::optional<InlinedCode> inlineCalls(const Code& code) {
  if (std::none_of(code.ins.begin(), code.ins.end(), [](const Ins& in) { return in.op == Op::CallProc; }))
    return std::nullopt;
  InlinedCode out;
  out.code.registers = code.registers;
  out.code.fast = code.fast;
  std::vector<const Procedure*> chain;
  if (!Inliner(out).append(code, 0, chain)) return std::nullopt;
  return out;
}

}  // namespace zorvan::vbs
