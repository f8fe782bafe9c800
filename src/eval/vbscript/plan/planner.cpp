#include "eval/vbscript/plan/numeric_plan.h"

#include <bit>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <utility>

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/bytecode/code.h"
#include "eval/vbscript/plan/inline_calls.h"

namespace zorvan::vbs {

namespace {

// What the planner knows a register may hold at an instruction: a set of
// the numeric kinds, one bit each; none before any way in is seen.
using Kinds = std::uint16_t;
constexpr Kinds bit(VType t) { return static_cast<Kinds>(1u << static_cast<unsigned>(t)); }
constexpr Kinds kDouble = bit(VType::Double);
constexpr Kinds kWhole = bit(VType::Empty) | bit(VType::Integer) | bit(VType::Long) | bit(VType::Boolean);
constexpr Kinds kNumeric = kWhole | kDouble;
// The ends and steps of For loops a plan runs.
constexpr Kinds kLoopNumbers = bit(VType::Integer) | bit(VType::Long) | kDouble;
// The array the procedure makes of numbers, one per plan, which lives in a
// block of plan registers.
constexpr Kinds kArray = bit(VType::Array);
constexpr std::size_t kMaxArrayLength = 64;

constexpr bool isOne(Kinds k) { return std::has_single_bit(k); }
constexpr VType theOne(Kinds k) { return static_cast<VType>(std::countr_zero(k)); }
constexpr bool within(Kinds k, Kinds of) { return k != 0 && (k & ~of) == 0; }
// Whatever each side holds, what the fast paths of the arithmetic and of the
// comparisons take: a Double with a Double or a whole number.
constexpr bool arePair(Kinds a, Kinds b) {
  return (a == kDouble && within(b, kNumeric)) || (b == kDouble && within(a, kNumeric));
}

using State = std::vector<Kinds>;

constexpr std::size_t kMaxInstructions = 1024;

// One instruction as planned: its plan instruction, the registers it writes
// with the kinds they then hold, and the register a copy reads.
struct Planned {
  PlanIns ins;
  std::int32_t wrote[2] = {-1, -1};
  std::int32_t copied = -1;
};

class Planner {
 public:
  Planner(const Code& code, int returnSlot, std::vector<const Procedure*> inlined = {})
      : code_(code), regs_(static_cast<std::size_t>(code.registers)), returnSlot_(returnSlot) {
    plan_.inlined = std::move(inlined);
  }

  std::shared_ptr<const NumericPlan> plan() {
    // A long body gains little from a plan, and its kinds cost its length
    // times its registers to find.
    if (regs_ == 0 || regs_ > kMaxPlanRegisters || code_.ins.empty() || code_.ins.size() > kMaxInstructions)
      return nullptr;
    states_.assign(code_.ins.size(), State(regs_, 0));
    State entry(regs_, bit(VType::Empty));
    entry[0] = kDouble;
    merge(0, entry);
    // Each instruction is looked at again whenever more kinds reach it; the
    // sets only grow, so this ends.
    while (!work_.empty()) {
      const std::int32_t pc = work_.back();
      work_.pop_back();
      State s = states_[static_cast<std::size_t>(pc)];
      if (!step(pc, s)) return nullptr;
    }
    if (strayed_ || !emit() || regs_ + extra_ > kMaxPlanRegisters) return nullptr;
    for (std::int32_t r : zeroed_) plan_.start.emplace_back(r, 0.0);
    for (const auto& [bits, r] : numbers_) plan_.start.emplace_back(r, std::bit_cast<double>(bits));
    // For the listing: every type each register may hold anywhere.
    plan_.types.assign(regs_, 0);
    for (const State& state : states_)
      for (std::size_t r = 0; r < regs_; ++r) plan_.types[r] |= state[r];
    return std::make_shared<const NumericPlan>(std::move(plan_));
  }

 private:
  bool reached(std::int32_t pc) const { return states_[static_cast<std::size_t>(pc)][0] != 0; }

  void merge(std::int32_t pc, const State& s) {
    // Code ends with Return, so every way leads into it; a way out of it is
    // not planned.
    if (pc < 0 || static_cast<std::size_t>(pc) >= states_.size()) {
      strayed_ = true;
      return;
    }
    State& into = states_[static_cast<std::size_t>(pc)];
    bool changed = false;
    for (std::size_t r = 0; r < regs_; ++r) {
      const Kinds k = into[r] | s[r];
      changed |= k != into[r];
      into[r] = k;
    }
    if (changed) work_.push_back(pc);
  }

  // The kinds operand RK(o) may hold and the plan's register for it;
  // nothing where the plan cannot read it.
  std::optional<Kinds> read(const State& s, std::int32_t o, std::int32_t& reg) {
    if (o >= 0) {
      reg = o;
      const Kinds k = s[static_cast<std::size_t>(o)];
      if (k & bit(VType::Empty)) zeroed_.insert(o);
      return within(k, kNumeric) ? std::optional<Kinds>(k) : std::nullopt;
    }
    const Value& k = code_.constants[static_cast<std::size_t>(~o)];
    if (k.type() == VType::Double) reg = number(k.rawDouble());
    else if (within(bit(k.type()), kWhole)) reg = number(k.rawWhole());
    else return std::nullopt;
    return bit(k.type());
  }

  // A register holding a number known when planned, one for each number.
  std::int32_t number(double v) {
    const auto [it, added] = numbers_.try_emplace(std::bit_cast<std::uint64_t>(v), 0);
    if (added) {
      it->second = static_cast<std::int32_t>(regs_ + extra_++);
      numberIn_.emplace(it->second, v);
    }
    return it->second;
  }

  // Array(...) of numbers, made at one place of the code: its elements are
  // copied into the block at each making, and their types are those every
  // making may give them.
  bool makeArray(std::int32_t pc, const Ins& in, State& s, Planned& p) {
    if (arrayAt_ >= 0 && arrayAt_ != pc) return false;  // one array a plan
    if (in.c <= 0 || static_cast<std::size_t>(in.c) > kMaxArrayLength) return false;
    if (arrayAt_ < 0) {
      arrayAt_ = pc;
      arrayBlock_ = static_cast<std::int32_t>(regs_ + extra_);
      extra_ += static_cast<std::size_t>(in.c);
      arrayLength_ = in.c;
    }
    for (std::int32_t j = 0; j < in.c; ++j) {
      const Kinds k = s[static_cast<std::size_t>(in.b + j)];
      if (!within(k, kNumeric)) return false;
      if (k & bit(VType::Empty)) zeroed_.insert(in.b + j);
      elementKinds_ |= k;
    }
    p.ins = {.op = PlanOp::MakeArray, .a = arrayBlock_, .b = in.b, .c = in.c};
    s[static_cast<std::size_t>(in.a)] = kArray;
    p.wrote[0] = in.a;
    return true;
  }

  // An element of the array by one whole subscript; out of range, the plan
  // bails out and the bytecode fails as it does.
  bool index(const Ins& in, State& s, Planned& p) {
    if (subscriptCount(in.n) != 1 || in.b < 0 || s[static_cast<std::size_t>(in.b)] != kArray) return false;
    if (!within(s[static_cast<std::size_t>(in.c)], bit(VType::Integer) | bit(VType::Long))) return false;
    p.ins = {.op = PlanOp::LoadIndexed, .a = in.a, .b = arrayBlock_, .c = in.c, .n = arrayLength_};
    s[static_cast<std::size_t>(in.a)] = elementKinds_;
    p.wrote[0] = in.a;
    return true;
  }

  // UBound and LBound of the array: numbers known when planned.
  bool bound(const Ins& in, State& s, Planned& p) {
    const std::string_view key = in.builtin->key;
    if (in.c != 1 || (key != "ubound" && key != "lbound") || s[static_cast<std::size_t>(in.b)] != kArray) return false;
    p.ins = {.op = PlanOp::Copy, .a = in.a, .b = number(key == "ubound" ? arrayLength_ - 1 : 0)};
    s[static_cast<std::size_t>(in.a)] = bit(VType::Long);
    p.wrote[0] = in.a;
    return true;
  }

  // Plans instruction pc with the kinds s that reach it and passes on the
  // kinds after it; false where the plan cannot do what it does.
  bool step(std::int32_t pc, State& s, Planned* out = nullptr) {
    const Ins& in = code_.ins[static_cast<std::size_t>(pc)];
    Planned p;
    std::int32_t b = 0, c = 0;
    const auto write = [&](std::int32_t r, Kinds k, int n = 0) {
      s[static_cast<std::size_t>(r)] = k;
      p.wrote[n] = r;
    };
    bool next = true;
    switch (in.op) {
      case Op::Move:
      case Op::Assign: {
        if (in.b >= 0 && s[static_cast<std::size_t>(in.b)] == kArray && !in.flag) {
          // The array is the block: the register only says which.
          p.ins = {.op = PlanOp::Copy, .a = in.a, .b = number(0)};
          write(in.a, kArray);
          break;
        }
        const auto k = read(s, in.b, b);
        if (!k || in.flag) return false;  // Set takes objects only
        p.ins = {.op = PlanOp::Copy, .a = in.a, .b = b};
        if (in.b >= 0) p.copied = b;
        write(in.a, *k);
        break;
      }
      case Op::AssignReturn: {
        const auto k = read(s, in.b, b);
        if (!k || in.flag) return false;
        s[static_cast<std::size_t>(in.a)] = *k;
        // The value assigned is the result when it is assigned to the result.
        if (!finish(s, p.ins, in.a == returnSlot_ ? b : returnSlot_)) return false;
        next = false;
        break;
      }
      case Op::Return:
        if (!finish(s, p.ins, returnSlot_)) return false;
        next = false;
        break;
      case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::Pow:
      case Op::AddK: case Op::SubK: case Op::MulK: case Op::DivK: {
        const auto kb = read(s, in.b, b), kc = read(s, in.c, c);
        if (!kb || !kc || !arePair(*kb, *kc)) return false;
        static constexpr PlanOp kOps[] = {PlanOp::Add, PlanOp::Sub, PlanOp::Mul, PlanOp::Div, PlanOp::Pow,
                                          PlanOp::Add, PlanOp::Sub, PlanOp::Mul, PlanOp::Div};
        static_assert(static_cast<int>(Op::AddK) == static_cast<int>(Op::Pow) + 1);
        if (in.op >= Op::AddK) {
          // The number k is the constant's value; it is the left operand when flagged.
          c = number(in.k);
          if (in.flag) std::swap(b, c);
        }
        p.ins = {.op = kOps[static_cast<int>(in.op) - static_cast<int>(Op::Add)], .a = in.a, .b = b, .c = c};
        write(in.a, kDouble);
        break;
      }
      case Op::Compare: {
        // Compared as Branch compares: a Double with a Double or a whole number.
        const auto kb = read(s, in.b, b), kc = read(s, in.c, c);
        if (!kb || !kc || !arePair(*kb, *kc)) return false;
        p.ins = {.op = PlanOp::Compare, .bop = in.bop, .a = in.a, .b = b, .c = c};
        write(in.a, bit(VType::Boolean));
        break;
      }
      case Op::Branch:
      case Op::BranchK: {
        const auto kb = read(s, in.b, b), kc = read(s, in.c, c);
        if (!kb || !kc || !arePair(*kb, *kc)) return false;
        if (in.op == Op::BranchK) c = number(in.k);
        p.ins = {.op = PlanOp::Branch, .bop = in.bop, .flag = in.flag, .a = in.a, .b = b, .c = c};
        merge(in.a, s);
        break;
      }
      case Op::Neg:
        if (in.b < 0) {
          // A negative literal: its value as Neg gives it, of a number only.
          const Value& k = code_.constants[static_cast<std::size_t>(~in.b)];
          if (k.type() != VType::Double && !within(bit(k.type()), kWhole)) return false;
          const Value v = negate(k);
          if (v.type() != VType::Double && !within(bit(v.type()), kWhole)) return false;
          p.ins = {.op = PlanOp::Copy, .a = in.a, .b = number(v.type() == VType::Double ? v.rawDouble() : v.rawWhole())};
          write(in.a, bit(v.type()));
          break;
        }
        if (read(s, in.b, b) != kDouble) return false;
        p.ins = {.op = PlanOp::Neg, .a = in.a, .b = b};
        write(in.a, kDouble);
        break;
      case Op::Math:
        if (read(s, in.b, b) != kDouble || in.builtin->kernel == nullptr) return false;
        p.ins = {.op = PlanOp::Math, .a = in.a, .b = b, .kernel = in.builtin->kernel};
        write(in.a, kDouble);
        break;
      case Op::Jump:
        p.ins = {.op = PlanOp::Jump, .a = in.a};
        merge(in.a, s);
        next = false;
        break;
      case Op::JumpIf:
        if (read(s, in.b, b) != bit(VType::Boolean)) return false;
        p.ins = {.op = PlanOp::JumpIf, .flag = in.flag, .a = in.a, .b = b};
        merge(in.a, s);
        break;
      case Op::ToNumber: {
        const auto k = read(s, in.a, b);
        if (!k) return false;
        // Empty reads as Integer 0; every other number stays as it is.
        p.ins = {.op = PlanOp::Copy, .a = in.a, .b = in.a};
        if (*k & bit(VType::Empty)) {
          // In place, a register of several kinds would need them told apart.
          if (!isOne(*k)) return false;
          write(in.a, bit(VType::Integer));
        }
        break;
      }
      case Op::ForPrep:
      case Op::ForLoop:
        if (!loop(in, s, p)) return false;
        merge(in.c, s);
        break;
      case Op::Tick:
        p.ins = {.op = PlanOp::Tick};
        break;
      case Op::MakeArray:
        if (!makeArray(pc, in, s, p)) return false;
        break;
      case Op::Index:
        if (!index(in, s, p)) return false;
        break;
      case Op::CallBuiltin:
        if (!bound(in, s, p)) return false;
        break;
      default:
        return false;  // reaches outside the registers, or has no numeric fast path
    }
    if (next) merge(pc + 1, s);
    if (out != nullptr) *out = p;
    return true;
  }

  // For loops whose counter keeps one kind: Integer with Integer steps, or
  // Double with any numeric step; the end is a number of either kind.
  bool loop(const Ins& in, State& s, Planned& p) {
    if (in.a < 0) return false;  // a global counter
    const auto at = [&](std::int32_t r) { return s[static_cast<std::size_t>(r)]; };
    const Kinds counter = in.op == Op::ForPrep ? at(in.b) : at(in.a);
    const Kinds end = at(in.b + 1), step = at(in.b + 2);
    // A whole counter keeps its type: Integer, or Long as UBound gives it.
    const bool whole = (counter == bit(VType::Integer) || counter == bit(VType::Long)) && step == bit(VType::Integer);
    const bool real = counter == kDouble && within(step, kLoopNumbers);
    if (!within(end, kLoopNumbers) || !(whole || real)) return false;
    if (in.op == Op::ForPrep) {
      p.ins = {.op = PlanOp::ForPrep, .a = in.a, .b = in.b, .c = in.c};
      s[static_cast<std::size_t>(in.a)] = counter;
      s[static_cast<std::size_t>(in.b)] = bit(VType::Boolean);
      p.wrote[0] = in.a;
      p.wrote[1] = in.b;
    } else {
      if (at(in.b) != bit(VType::Boolean)) return false;
      p.ins = {.op = whole ? PlanOp::ForLoop : PlanOp::ForLoopReal, .type = theOne(counter), .a = in.a, .b = in.b,
               .c = in.c};
      p.wrote[0] = in.a;
    }
    return true;
  }

  // The call ends with the value of its result register, found in plan
  // register `from`; where that may be of several kinds, the plan keeps
  // the kind it holds as it runs.
  bool finish(const State& s, PlanIns& out, std::int32_t from) {
    if (returnSlot_ < 0) {
      out = {.op = PlanOp::Return, .type = VType::Empty, .a = -1};
      return true;
    }
    const Kinds k = s[static_cast<std::size_t>(returnSlot_)];
    if (!within(k, kNumeric)) return false;
    if (k & bit(VType::Empty) && static_cast<std::size_t>(from) < regs_) zeroed_.insert(from);
    const PlanOp op = k == kDouble ? PlanOp::ReturnDouble : isOne(k) ? PlanOp::Return : PlanOp::ReturnTagged;
    out = {.op = op, .type = theOne(k), .a = from};
    return true;
  }

  // The registers whose kind the plan keeps as it runs: each result of
  // several kinds, and each register of several kinds that a kept one copies.
  void findTagged(const std::vector<Planned>& planned) {
    for (std::size_t pc = 0; pc < planned.size(); ++pc)
      if (planned[pc].ins.op == PlanOp::ReturnTagged) tagged_.insert(planned[pc].ins.a);
    for (bool grew = true; grew;) {
      grew = false;
      for (std::size_t pc = 0; pc < planned.size(); ++pc) {
        const Planned& p = planned[pc];
        const std::int32_t from = p.copied;
        if (from < 0 || !tagged_.contains(p.wrote[0]) || isOne(states_[pc][static_cast<std::size_t>(from)])) continue;
        grew |= tagged_.insert(from).second;
      }
    }
  }

  // Lays the plan out: each instruction, before it the kinds of the kept
  // registers it writes, and the jumps to where their targets went.
  bool emit() {
    std::vector<Planned> planned(code_.ins.size());
    std::vector<State> after(code_.ins.size());
    for (std::size_t pc = 0; pc < code_.ins.size(); ++pc) {
      if (!reached(static_cast<std::int32_t>(pc))) continue;
      after[pc] = states_[pc];
      if (!step(static_cast<std::int32_t>(pc), after[pc], &planned[pc])) return false;
    }
    work_.clear();  // the kinds are final: nothing new reaches anywhere
    findTagged(planned);
    jumpsInto_ = codeJumpsInto();
    // A loop whose step the code sets to a number just before it tests one direction only.
    for (std::size_t pc = 0; pc < code_.ins.size(); ++pc) {
      PlanIns& loopIns = planned[pc].ins;
      if (loopIns.op != PlanOp::ForLoop && loopIns.op != PlanOp::ForLoopReal) continue;
      if (const std::optional<double> step = known(static_cast<std::size_t>(loopIns.c - 1), loopIns.b + 2, planned))
        loopIns.n = *step < 0 ? -1 : 1;  // a step of 0 counts up, as For takes it
    }
    // Each instruction, after the kinds of the kept registers it writes: a
    // kept register's kind is set before the instruction writes it, so that
    // it holds on every way out, the jumps of For included.
    const auto lay = [&](std::size_t pc) {
      Planned& p = planned[pc];
      for (std::int32_t r : p.wrote) {
        if (r < 0 || !tagged_.contains(r)) continue;
        if (p.copied >= 0 && tagged_.contains(p.copied)) {
          p.ins.op = PlanOp::CopyTagged;
          continue;
        }
        const Kinds k = after[pc][static_cast<std::size_t>(r)];
        if (!isOne(k)) return false;
        plan_.ins.push_back({.op = PlanOp::Tag, .type = theOne(k), .a = r});
      }
      plan_.ins.push_back(p.ins);
      return true;
    };
    // A register set to a number known when planned, as written by one
    // planned instruction.
    const auto setTo = [&](std::int32_t r, double v, std::size_t kindsAt) {
      const Kinds k = after[kindsAt][static_cast<std::size_t>(r)];
      if (tagged_.contains(r)) {
        if (!isOne(k)) return false;
        plan_.ins.push_back({.op = PlanOp::Tag, .type = theOne(k), .a = r});
      }
      plan_.ins.push_back({.op = PlanOp::Copy, .a = r, .b = number(v)});
      return true;
    };
    std::vector<std::int32_t> at(code_.ins.size());
    for (std::size_t pc = 0; pc < code_.ins.size(); ++pc) {
      at[pc] = static_cast<std::int32_t>(plan_.ins.size());
      if (!reached(static_cast<std::int32_t>(pc))) {
        plan_.ins.push_back({.op = PlanOp::BailOut});
        continue;
      }
      if (const std::optional<Unrolled> u = unrollable(pc, planned)) {
        // The loop's turns one after another, the counter set to each value
        // it takes, then to the value it ends with.
        const Ins& prep = code_.ins[pc];
        for (std::int32_t turn = 0; turn < u->turns; ++turn) {
          if (!setTo(prep.a, u->start + turn * u->step, pc)) return false;
          for (std::size_t body = pc + 1; body < u->loopAt; ++body)
            if (!lay(body)) return false;
        }
        if (!setTo(prep.a, u->start + u->turns * u->step, pc) || !setTo(prep.b, u->step < 0 ? -1 : 0, pc)) return false;
        for (std::size_t body = pc + 1; body <= u->loopAt; ++body) at[body] = static_cast<std::int32_t>(plan_.ins.size());
        pc = u->loopAt;
        continue;
      }
      if (!lay(pc)) return false;
    }
    for (PlanIns& in : plan_.ins) {
      if (std::int32_t* target = jumpTarget(in)) *target = at[static_cast<std::size_t>(*target)];
      plan_.loops |= in.op == PlanOp::ForLoop || in.op == PlanOp::ForLoopReal || in.op == PlanOp::Tick;
    }
    foldKnownSubscripts();
    removeDeadCopies();
    takeLastWritten();
    plan_.tagged = !tagged_.empty();
    return true;
  }

  // A For loop short enough, and whose turns are known when planned, to be
  // laid out turn after turn: a whole counter from a known start to a known
  // end by a known step, a body of one straight run of instructions that
  // writes none of the loop's own registers and that nothing jumps into.
  struct Unrolled {
    double start, step;
    std::int32_t turns;
    std::size_t loopAt;  // the loop's ForLoop
  };
  static constexpr std::int32_t kMaxTurns = 16;
  static constexpr std::size_t kMaxUnrolled = 256;  // plan instructions in all the turns

  std::optional<Unrolled> unrollable(std::size_t pc, const std::vector<Planned>& planned) const {
    const Ins& prep = code_.ins[pc];
    if (prep.op != Op::ForPrep || prep.c < 2) return std::nullopt;
    const auto loopAt = static_cast<std::size_t>(prep.c - 1);
    if (loopAt <= pc || loopAt >= code_.ins.size() || planned[loopAt].ins.op != PlanOp::ForLoop ||
        code_.ins[loopAt].c != static_cast<std::int32_t>(pc + 1))
      return std::nullopt;
    const std::vector<int>& jumpsTo = jumpsInto_;
    // Only the loop's own turn goes back into the body, and nothing into its turn.
    if (jumpsTo[pc + 1] != 1 || (loopAt > pc + 1 && jumpsTo[loopAt] != 0)) return std::nullopt;
    for (std::size_t body = pc + 1; body < loopAt; ++body) {
      if (!reached(static_cast<std::int32_t>(body)) || (body > pc + 1 && jumpsTo[body] != 0) ||
          jumpTarget(planned[body].ins) != nullptr)
        return std::nullopt;
      const PlanOp op = planned[body].ins.op;
      if (op == PlanOp::Tick || op == PlanOp::MakeArray || op == PlanOp::Return || op == PlanOp::ReturnDouble ||
          op == PlanOp::ReturnTagged || op == PlanOp::BailOut)
        return std::nullopt;
      for (std::int32_t r : planned[body].wrote)
        if (r == prep.a || (r >= prep.b && r <= prep.b + 2)) return std::nullopt;
    }
    const std::optional<double> start = known(pc, prep.b, planned), end = known(pc, prep.b + 1, planned),
                                step = known(pc, prep.b + 2, planned);
    if (!start || !end || !step) return std::nullopt;
    // Turns as For counts them; every value the counter takes stays in its type.
    const double low = planned[loopAt].ins.type == VType::Integer ? -32768.0 : -2147483648.0;
    const double high = planned[loopAt].ins.type == VType::Integer ? 32767.0 : 2147483647.0;
    std::int32_t turns = 0;
    for (double v = *start; *step < 0 ? v >= *end : v <= *end; v += *step) {
      if (++turns > kMaxTurns) return std::nullopt;
    }
    const double last = *start + turns * *step;
    if (last < low || last > high || *start < low || *start > high) return std::nullopt;
    if (static_cast<std::size_t>(turns) * (loopAt - pc) * 2 > kMaxUnrolled) return std::nullopt;
    return Unrolled{*start, *step, turns, loopAt};
  }

  // The number register r holds as instruction pc starts, where the
  // straight run of instructions before it last set it to one.
  std::optional<double> known(std::size_t pc, std::int32_t r, const std::vector<Planned>& planned) const {
    if (pc >= code_.ins.size() || code_.ins[pc].op != Op::ForPrep) return std::nullopt;
    for (std::size_t at = pc; at-- > 0 && jumpsInto_[at + 1] == 0;) {
      const Planned& p = planned[at];
      if (p.wrote[0] != r && p.wrote[1] != r) continue;
      if (p.ins.op != PlanOp::Copy || p.wrote[1] >= 0) return std::nullopt;
      if (p.ins.b == r) continue;  // ToNumber: the value stays
      const std::optional<double> v = numberIn(p.ins.b);
      if (!v) r = p.ins.b;  // a copy of another register: look for that one
      else return v;
    }
    return std::nullopt;
  }

  // How many instructions of the code jump to each of its places.
  std::vector<int> codeJumpsInto() const {
    std::vector<int> into(code_.ins.size() + 1, 0);
    for (const Ins& in : code_.ins) {
      if (in.op == Op::Branch || in.op == Op::BranchK || in.op == Op::Jump || in.op == Op::JumpIf)
        ++into[static_cast<std::size_t>(in.a)];
      if (in.op == Op::ForPrep || in.op == Op::ForLoop || in.op == Op::ForEachPrep || in.op == Op::ForEachLoop)
        ++into[static_cast<std::size_t>(in.c)];
    }
    return into;
  }

  // The value of a register that holds a number known when planned.
  std::optional<double> numberIn(std::int32_t r) const {
    const auto it = numberIn_.find(r);
    return it != numberIn_.end() ? std::optional<double>(it->second) : std::nullopt;
  }

  // Copies into registers nothing reads, the array when nothing reads its
  // elements, and a type tag set again to what it already is: none of them
  // can fail, so leaving them out changes nothing but the work.
  void removeDeadCopies() {
    for (bool removed = true; removed;) {
      removed = false;
      std::vector<bool> read(regs_ + extra_ + 1, false);
      for (const PlanIns& in : plan_.ins) forEachRead(in, [&](std::int32_t r) { read[static_cast<std::size_t>(r)] = true; });
      const auto unread = [&](std::int32_t r) { return r >= 0 && !read[static_cast<std::size_t>(r)]; };
      const std::vector<int> target = jumpsInto(plan_.ins);
      std::vector<bool> keep(plan_.ins.size(), true);
      std::map<std::int32_t, VType> tagNow;  // in a straight run: the tag each register was last given
      for (std::size_t j = 0; j < plan_.ins.size(); ++j) {
        if (target[j]) tagNow.clear();
        const PlanIns& in = plan_.ins[j];
        switch (in.op) {
          case PlanOp::Copy: case PlanOp::CopyTagged:
            keep[j] = !unread(in.a);
            if (in.op == PlanOp::CopyTagged) tagNow.erase(in.a);
            break;
          case PlanOp::MakeArray: {
            bool any = false;
            for (std::int32_t e = 0; e < in.c; ++e) any |= !unread(in.a + e);
            keep[j] = any;
            break;
          }
          case PlanOp::Tag: {
            const auto it = tagNow.find(in.a);
            keep[j] = !unread(in.a) && (it == tagNow.end() || it->second != in.type);
            tagNow[in.a] = in.type;
            break;
          }
          default:
            break;
        }
        removed |= !keep[j];
      }
      if (removed) compact(keep);
    }
  }

  // Drops the instructions not kept; a jump to one goes to the next kept.
  void compact(const std::vector<bool>& keep) {
    std::vector<std::int32_t> moved(plan_.ins.size() + 1);
    std::int32_t kept = 0;
    for (std::size_t j = 0; j < plan_.ins.size(); ++j) {
      moved[j] = kept;
      if (keep[j]) ++kept;
    }
    moved[plan_.ins.size()] = kept;
    std::vector<PlanIns> ins;
    for (std::size_t j = 0; j < plan_.ins.size(); ++j) {
      if (!keep[j]) continue;
      ins.push_back(plan_.ins[j]);
      if (std::int32_t* t = jumpTarget(ins.back())) *t = moved[static_cast<std::size_t>(*t)];
    }
    plan_.ins = std::move(ins);
  }

  // Where the subscript of an element read is known when planned, the read
  // is the element's register; past either end, the plan bails out there as
  // the bytecode fails. Known values flow through copies and the making of
  // the array, in straight runs of instructions.
  void foldKnownSubscripts() {
    const std::vector<int> target = jumpsInto(plan_.ins);
    std::map<std::int32_t, std::int32_t> constantIn;  // register -> the number register it equals
    const auto forget = [&](std::int32_t r) { constantIn.erase(r); };
    for (std::size_t j = 0; j < plan_.ins.size(); ++j) {
      if (target[j]) constantIn.clear();
      PlanIns& in = plan_.ins[j];
      const auto equal = [&](std::int32_t r) -> std::optional<std::int32_t> {
        if (numberIn(r)) return r;
        const auto it = constantIn.find(r);
        return it != constantIn.end() ? std::optional<std::int32_t>(it->second) : std::nullopt;
      };
      // An operand known to equal a number is read from that number's register.
      if (hasFourForms(in.op)) {
        if (const auto k = equal(in.b)) in.b = *k;
        if (const auto k = equal(in.c)) in.c = *k;
      }
      switch (in.op) {
        case PlanOp::Copy:
          if (const auto k = equal(in.b)) {
            in.b = *k;
            constantIn[in.a] = *k;
          } else {
            forget(in.a);
          }
          break;
        case PlanOp::MakeArray:
          for (std::int32_t e = 0; e < in.c; ++e)
            if (const auto k = equal(in.b + e)) constantIn[in.a + e] = *k; else forget(in.a + e);
          break;
        case PlanOp::LoadIndexed: {
          const auto k = equal(in.c);
          const std::optional<double> i = k ? numberIn(*k) : std::nullopt;
          if (!i) {
            forget(in.a);
            break;
          }
          if (!(*i >= 0 && *i < in.n) || *i != static_cast<double>(static_cast<std::int32_t>(*i))) {
            in = {.op = PlanOp::BailOut};
            break;
          }
          const std::int32_t element = in.b + static_cast<std::int32_t>(*i);
          const std::int32_t a = in.a;
          in = {.op = PlanOp::Copy, .a = a, .b = equal(element).value_or(element)};
          if (const auto e = equal(element)) constantIn[a] = *e; else forget(a);
          break;
        }
        case PlanOp::ForPrep:
          forget(in.a);
          forget(in.b);
          break;
        case PlanOp::Tag: case PlanOp::Tick: case PlanOp::Branch: case PlanOp::BranchL: case PlanOp::BranchR:
        case PlanOp::BranchLR: case PlanOp::JumpIf: case PlanOp::JumpIfL: case PlanOp::Jump: case PlanOp::Return:
        case PlanOp::ReturnDouble: case PlanOp::ReturnDoubleL: case PlanOp::ReturnTagged: case PlanOp::BailOut:
          break;
        default:
          forget(in.a);
          break;
      }
    }
  }

  // Where an instruction reads the register the one before it wrote, and
  // nothing jumps in between, it takes the value at hand instead.
  void takeLastWritten() {
    const std::vector<int> target = jumpsInto(plan_.ins);
    std::int32_t last = 0;  // the argument is at hand as a call starts
    for (std::size_t j = 0; j < plan_.ins.size(); ++j) {
      PlanIns& in = plan_.ins[j];
      if (target[j]) last = -1;
      switch (in.op) {
        case PlanOp::Add: case PlanOp::Sub: case PlanOp::Mul: case PlanOp::Div: case PlanOp::Pow:
        case PlanOp::Compare:
          in.op = withLast(in.op, in.b == last, in.c == last);
          last = in.a;
          break;
        case PlanOp::Copy: case PlanOp::Neg: case PlanOp::Math:
          in.op = withLast(in.op, in.b == last, false);
          last = in.a;
          break;
        case PlanOp::CopyTagged:
          last = in.a;
          break;
        case PlanOp::LoadIndexed:
          in.flag = in.c == last;  // the subscript at hand
          last = in.a;
          break;
        case PlanOp::Branch:
          in.op = withLast(in.op, in.b == last, in.c == last);
          break;
        case PlanOp::JumpIf:
          in.op = withLast(in.op, in.b == last, false);
          break;
        case PlanOp::ReturnDouble:
          in.op = withLast(in.op, in.a == last, false);
          last = -1;
          break;
        case PlanOp::Tag: case PlanOp::Tick:
          break;
        default:  // nothing falls through from it, or it writes what is not at hand
          last = -1;
          break;
      }
    }
  }

  const Code& code_;
  std::size_t regs_;
  int returnSlot_;
  NumericPlan plan_;
  std::vector<State> states_;
  std::vector<std::int32_t> work_;
  std::map<std::uint64_t, std::int32_t> numbers_;
  std::set<std::int32_t> tagged_;
  std::set<std::int32_t> zeroed_;  // read while they may still be Empty
  std::unordered_map<std::int32_t, double> numberIn_;  // the same, by register
  std::vector<int> jumpsInto_;  // per place of the code, how many instructions jump there
  std::size_t extra_ = 0;          // plan registers after the code's: numbers and the array's block
  std::int32_t arrayAt_ = -1, arrayBlock_ = -1, arrayLength_ = 0;
  Kinds elementKinds_ = 0;
  bool strayed_ = false;
};

}  // namespace

std::shared_ptr<const NumericPlan> planFor(const Code& code, std::size_t params, int returnSlot) {
  if (params != 1 || !code.fast) return nullptr;
  if (std::optional<InlinedCode> inlined = inlineCalls(code))
    return Planner(inlined->code, returnSlot, std::move(inlined->callees)).plan();
  return Planner(code, returnSlot).plan();
}

}  // namespace zorvan::vbs
