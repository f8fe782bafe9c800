#include "eval/vbscript/numeric_plan.h"

#include <bit>
#include <cstddef>
#include <map>
#include <optional>

#include "eval/vbscript/bytecode.h"

namespace zorvan::vbs {

namespace {

// What the planner knows a register holds at an instruction: one of the
// numeric kinds, or one of these.
using Kind = std::uint8_t;
constexpr Kind kUnreached = 0xFF;  // no way in has been seen yet
constexpr Kind kMixed = 0xFE;      // different kinds on different ways in
constexpr Kind kOther = 0xFD;      // a kind a plan does not hold: text, Null, Single, objects, arrays

constexpr Kind kind(VType t) { return static_cast<Kind>(t); }
constexpr bool isNumeric(Kind k) { return k <= kind(VType::Boolean) || k == kind(VType::Double); }
constexpr bool isWhole(Kind k) { return k <= kind(VType::Boolean); }
// What the fast path of the arithmetic and of Branch takes: two Doubles, or
// a Double and a whole number.
constexpr bool arePair(Kind a, Kind b) {
  const Kind d = kind(VType::Double);
  return (a == d && (b == d || isWhole(b))) || (b == d && isWhole(a));
}
// The ends and steps of For loops a plan runs.
constexpr bool isLoopNumber(Kind k) {
  return k == kind(VType::Integer) || k == kind(VType::Long) || k == kind(VType::Double);
}

using State = std::vector<Kind>;

constexpr std::size_t kMaxInstructions = 1024;

class Planner {
 public:
  Planner(const Code& code, int returnSlot)
      : code_(code), regs_(static_cast<std::size_t>(code.registers)), returnSlot_(returnSlot) {}

  std::shared_ptr<const NumericPlan> plan() {
    // A long body gains little from a plan, and the kinds cost its length
    // times its registers to find.
    if (regs_ == 0 || regs_ > kMaxPlanRegisters || code_.ins.empty() || code_.ins.size() > kMaxInstructions)
      return nullptr;
    plan_.start.assign(regs_, 0.0);
    plan_.ins.assign(code_.ins.size(), PlanIns{});
    states_.assign(code_.ins.size(), State(regs_, kUnreached));
    State entry(regs_, kind(VType::Empty));
    entry[0] = kind(VType::Double);
    merge(0, entry);
    // Each instruction is planned again whenever more kinds reach it; the
    // kinds only grow toward kMixed, so this ends.
    while (!work_.empty()) {
      const std::int32_t pc = work_.back();
      work_.pop_back();
      if (!step(pc)) return nullptr;
    }
    if (plan_.start.size() > kMaxPlanRegisters) return nullptr;
    plan_.start.resize((plan_.start.size() + kPlanBlock - 1) / kPlanBlock * kPlanBlock);
    return std::make_shared<const NumericPlan>(std::move(plan_));
  }

 private:
  void merge(std::int32_t pc, const State& s) {
    State& into = states_[static_cast<std::size_t>(pc)];
    bool changed = false;
    for (std::size_t r = 0; r < regs_; ++r) {
      const Kind k = into[r] == kUnreached ? s[r] : (into[r] == s[r] ? into[r] : kMixed);
      if (k != into[r]) {
        into[r] = k;
        changed = true;
      }
    }
    if (changed) work_.push_back(pc);
  }

  // The kind of operand RK(o) and the plan's register for it; nothing where
  // the plan cannot read it.
  std::optional<Kind> read(const State& s, std::int32_t o, std::int32_t& reg) {
    if (o >= 0) {
      reg = o;
      return isNumeric(s[static_cast<std::size_t>(o)]) ? std::optional<Kind>(s[static_cast<std::size_t>(o)]) : std::nullopt;
    }
    const Value& k = code_.constants[static_cast<std::size_t>(~o)];
    if (k.type() == VType::Double) reg = number(k.rawDouble());
    else if (isWhole(kind(k.type()))) reg = number(k.rawWhole());
    else return std::nullopt;
    return kind(k.type());
  }

  // A register holding a number known when planned, one for each number.
  std::int32_t number(double v) {
    const auto [it, added] = numbers_.try_emplace(std::bit_cast<std::uint64_t>(v), 0);
    if (added) {
      it->second = static_cast<std::int32_t>(plan_.start.size());
      plan_.start.push_back(v);
    }
    return it->second;
  }

  bool step(std::int32_t pc) {
    const Ins& in = code_.ins[static_cast<std::size_t>(pc)];
    State s = states_[static_cast<std::size_t>(pc)];
    PlanIns& out = plan_.ins[static_cast<std::size_t>(pc)];
    out = PlanIns{};
    const Kind dbl = kind(VType::Double);
    std::int32_t b = 0, c = 0;
    auto to = [&](std::int32_t next) { merge(next, s); };
    switch (in.op) {
      case Op::Move:
      case Op::Assign: {
        const auto k = read(s, in.b, b);
        if (!k || in.flag) return false;  // Set takes objects only
        out = {.op = PlanOp::Copy, .a = in.a, .b = b};
        s[static_cast<std::size_t>(in.a)] = *k;
        break;
      }
      case Op::AssignReturn: {
        const auto k = read(s, in.b, b);
        if (!k || in.flag) return false;
        s[static_cast<std::size_t>(in.a)] = *k;
        // The value assigned is the result when it is assigned to the result.
        return finish(s, out, in.a == returnSlot_ ? b : returnSlot_);
      }
      case Op::Return:
        return finish(s, out, returnSlot_);
      case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Pow: {
        const auto kb = read(s, in.b, b), kc = read(s, in.c, c);
        if (!kb || !kc || !arePair(*kb, *kc)) return false;
        static constexpr PlanOp kOps[] = {PlanOp::Add, PlanOp::Sub, PlanOp::Mul, PlanOp::Div, PlanOp::Pow};
        out = {.op = kOps[static_cast<int>(in.op) - static_cast<int>(Op::Add)], .a = in.a, .b = b, .c = c};
        s[static_cast<std::size_t>(in.a)] = dbl;
        break;
      }
      case Op::AddK: case Op::SubK: case Op::MulK: case Op::DivK: {
        // The fast path takes a Double with the number k; the constant's left when flagged.
        if (read(s, in.b, b) != dbl) return false;
        static constexpr PlanOp kOps[] = {PlanOp::Add, PlanOp::Sub, PlanOp::Mul, PlanOp::Div};
        const std::int32_t k = number(in.k);
        out = {.op = kOps[static_cast<int>(in.op) - static_cast<int>(Op::AddK)], .a = in.a, .b = in.flag ? k : b,
               .c = in.flag ? b : k};
        s[static_cast<std::size_t>(in.a)] = dbl;
        break;
      }
      case Op::Compare: {
        // Compared as Branch compares: a Double with a Double or a whole number.
        const auto kb = read(s, in.b, b), kc = read(s, in.c, c);
        if (!kb || !kc || !arePair(*kb, *kc)) return false;
        out = {.op = PlanOp::Compare, .bop = in.bop, .a = in.a, .b = b, .c = c};
        s[static_cast<std::size_t>(in.a)] = kind(VType::Boolean);
        break;
      }
      case Op::Branch:
      case Op::BranchK: {
        const auto kb = read(s, in.b, b);
        if (in.op == Op::BranchK) {
          if (kb != dbl) return false;
          c = number(in.k);
        } else if (const auto kc = read(s, in.c, c); !kb || !kc || !arePair(*kb, *kc)) {
          return false;
        }
        out = {.op = PlanOp::Branch, .bop = in.bop, .flag = in.flag, .a = in.a, .b = b, .c = c};
        to(in.a);
        break;
      }
      case Op::Neg:
        if (read(s, in.b, b) != dbl) return false;
        out = {.op = PlanOp::Neg, .a = in.a, .b = b};
        s[static_cast<std::size_t>(in.a)] = dbl;
        break;
      case Op::Math:
        if (read(s, in.b, b) != dbl || in.builtin->kernel == nullptr) return false;
        out = {.op = PlanOp::Math, .a = in.a, .b = b, .kernel = in.builtin->kernel};
        s[static_cast<std::size_t>(in.a)] = dbl;
        break;
      case Op::Jump:
        out = {.op = PlanOp::Jump, .a = in.a};
        to(in.a);
        return true;
      case Op::JumpIf:
        if (read(s, in.b, b) != kind(VType::Boolean)) return false;
        out = {.op = PlanOp::JumpIf, .flag = in.flag, .a = in.a, .b = b};
        to(in.a);
        break;
      case Op::ToNumber: {
        const auto k = read(s, in.a, b);
        if (!k) return false;
        // Empty reads as Integer 0; every other number stays as it is.
        out = {.op = PlanOp::Copy, .a = in.a, .b = in.a};
        if (*k == kind(VType::Empty)) s[static_cast<std::size_t>(in.a)] = kind(VType::Integer);
        break;
      }
      case Op::ForPrep:
      case Op::ForLoop:
        if (!loop(in, s, out)) return false;
        to(in.c);
        break;
      case Op::Tick:
        out = {.op = PlanOp::Tick};
        plan_.loops = true;
        break;
      default:
        return false;  // reaches outside the registers, or has no numeric fast path
    }
    to(pc + 1);
    return true;
  }

  // For loops whose counter keeps one kind: Integer with Integer steps, or
  // Double with any numeric step; the end is a number of either kind.
  bool loop(const Ins& in, State& s, PlanIns& out) {
    if (in.a < 0) return false;  // a global counter
    const auto at = [&](std::int32_t r) { return s[static_cast<std::size_t>(r)]; };
    const Kind counter = in.op == Op::ForPrep ? at(in.b) : at(in.a);
    const Kind end = at(in.b + 1), step = at(in.b + 2);
    const bool whole = counter == kind(VType::Integer) && step == kind(VType::Integer);
    const bool real = counter == kind(VType::Double) && isLoopNumber(step);
    if (!isLoopNumber(end) || !(whole || real)) return false;
    if (in.op == Op::ForPrep) {
      out = {.op = PlanOp::ForPrep, .a = in.a, .b = in.b, .c = in.c};
      s[static_cast<std::size_t>(in.a)] = counter;
      s[static_cast<std::size_t>(in.b)] = kind(VType::Boolean);
    } else {
      if (at(in.b) != kind(VType::Boolean)) return false;
      out = {.op = whole ? PlanOp::ForLoop : PlanOp::ForLoopReal, .a = in.a, .b = in.b, .c = in.c};
      plan_.loops = true;
    }
    return true;
  }

  // The call ends with the value of its result register, found in plan
  // register `from`.
  bool finish(const State& s, PlanIns& out, std::int32_t from) {
    if (returnSlot_ < 0) {
      out = {.op = PlanOp::Return, .kind = VType::Empty, .a = -1};
      return true;
    }
    const Kind k = s[static_cast<std::size_t>(returnSlot_)];
    if (!isNumeric(k)) return false;
    out = {.op = PlanOp::Return, .kind = static_cast<VType>(k), .a = from};
    return true;
  }

  const Code& code_;
  std::size_t regs_;
  int returnSlot_;
  NumericPlan plan_;
  std::vector<State> states_;
  std::vector<std::int32_t> work_;
  std::map<std::uint64_t, std::int32_t> numbers_;
};

}  // namespace

std::shared_ptr<const NumericPlan> planFor(const Code& code, std::size_t params, int returnSlot) {
  if (params != 1 || !code.fast) return nullptr;
  return Planner(code, returnSlot).plan();
}

}  // namespace zorvan::vbs
