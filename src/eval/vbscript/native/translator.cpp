#include "eval/vbscript/native/native_plan.h"

#include "eval/vbscript/plan/numeric_plan.h"

namespace zorvan::vbs {

NativePlan::NativePlan(std::unique_ptr<ExecutableMemory> code)
    : code_(std::move(code)), entry_(reinterpret_cast<Entry>(const_cast<void*>(code_->start()))) {}

}  // namespace zorvan::vbs

#if defined(__x86_64__) && defined(__linux__)

#include <bit>
#include <map>
#include <set>
#include <span>
#include <vector>

#include <xbyak/xbyak.h>

#include "eval/vbscript/plan/numeric_kernels.h"

namespace zorvan::vbs {

namespace {

using namespace Xbyak::util;
using Xbyak::Address;
using Xbyak::Label;
using Xbyak::Xmm;

// cmpsd's predicates: each holds exactly where the C++ comparison does, a NaN included.
enum Predicate : std::uint8_t { CmpEq = 0, CmpLt = 1, CmpLe = 2, CmpNe = 4 };

double powCall(double x, double y) { return powKernel(x, y); }

// The translation of one plan.
class Translator {
 public:
  explicit Translator(const NumericPlan& plan) : plan_(plan) {
    std::set<std::int32_t> written{0}, loopOperands;
    std::int32_t top = 0;
    for (const auto& [reg, v] : plan.start) top = std::max(top, reg);
    for (const PlanIns& in : plan.ins) {
      if (in.op == PlanOp::MakeArray) {
        for (std::int32_t j = 0; j < in.c; ++j) written.insert(in.a + j);
        top = std::max({top, in.a + in.c - 1, in.b + in.c - 1});
      }
      if (in.op == PlanOp::LoadIndexed) top = std::max(top, in.b + in.n - 1);
      if (writesA(in.op)) written.insert(in.a);
      if (isLoopOp(in.op)) {
        written.insert(in.b);
        loopOperands.insert({in.b + 1, in.b + 2});
        top = std::max(top, in.b + 2);
      }
      top = std::max({top, in.a, in.b, in.c});
    }
    regs_ = static_cast<std::size_t>(top) + 1;
    read_.assign(regs_, false);
    for (const PlanIns& in : plan.ins) noteReads(in);
    findCoveredChecks();
    findChoices();
    pool_.assign(regs_, -1);
    for (const auto& [reg, v] : plan.start) {
      if (written.count(reg) == 0 && loopOperands.count(reg) == 0) {
        pool_[static_cast<std::size_t>(reg)] = static_cast<std::int32_t>(constants_.size());
        constants_.push_back(v);
      } else {
        framed_.emplace_back(reg, v);
      }
    }
    integerLow_ = constant(-32768.0);
    integerHigh_ = constant(32767.0);
    longLow_ = constant(-2147483648.0);
    longHigh_ = constant(2147483647.0);
    // Doubled, the bits of every infinity and NaN are at least these.
    notFinite_ = constant(std::bit_cast<double>(0xFFE0000000000000ULL));
  }

  // The machine code, and where each instruction's code starts in it. Jumps
  // are all near: a plan's code may be longer than a short jump reaches.
  std::span<const std::uint8_t> translate(std::vector<std::size_t>& starts, std::size_t& codeEnd) {
    as_.setDefaultJmpNEAR(true);
    at_ = std::make_unique<Label[]>(plan_.ins.size());
    prologue();
    for (std::size_t j = 0; j < plan_.ins.size();) {
      as_.L(at_[j]);
      starts.push_back(as_.getSize());
      const auto choice = choices_.find(j);
      if (choice != choices_.end()) {
        both(choice->second);
        for (++j; j < choice->second.merge; ++j) starts.push_back(as_.getSize());
      } else {
        instruction(plan_.ins[j++]);
      }
    }
    starts.push_back(as_.getSize());  // the exits
    as_.L(bailOut_);
    as_.mov(rax, FastResult::kBailedOut);
    leave();
    as_.L(aborted_);
    as_.mov(rax, FastResult::kAborted);
    leave();
    codeEnd = as_.getSize();
    while (as_.getSize() % 8 != 0) as_.int3();
    as_.L(constantPool_);
    for (double v : constants_) as_.dq(std::bit_cast<std::uint64_t>(v));
    // Resolves every label, refusing one never bound; the buffer stays
    // writable and is never run: the code is copied to pages of its own.
    as_.ready(Xbyak::CodeArray::PROTECT_RW);
    return {as_.getCode(), as_.getSize()};
  }

 private:
  static bool writesA(PlanOp op) {
    switch (op) {
      case PlanOp::Tag: case PlanOp::Branch: case PlanOp::BranchL: case PlanOp::BranchR: case PlanOp::BranchLR:
      case PlanOp::JumpIf: case PlanOp::JumpIfL: case PlanOp::Jump: case PlanOp::Tick: case PlanOp::Return:
      case PlanOp::ReturnDouble: case PlanOp::ReturnDoubleL: case PlanOp::ReturnTagged: case PlanOp::BailOut:
        return false;
      default:
        return true;
    }
  }

  // If-conversion: a choice between two short ways without calls, as an If compiles: a
  // branch to the second way, the first ending in a jump past the second (or
  // the second empty). Both ways are computed and the one taken is kept: a
  // branch on data that is not predictable costs more than a few
  // instructions. The condition is kept in r10, and whether each way gave
  // up in r8 and r9.
  struct Choice {
    std::size_t branch, second, merge;
    bool thenReturns;  // nothing else goes to the merge, where the result is returned
  };
  // While a way of a choice is translated: what it writes goes to slots of
  // its own, and its giving up is only noted.
  struct Way {
    int index;
    std::map<std::int32_t, std::int32_t> written;  // register -> slot
    std::int32_t last = -1;  // the register its last instruction wrote, whose value is then in xmm0
  };

  static bool inlineKernel(const PlanIns& in) { return in.kernel == &sqrKernel || in.kernel == &absKernel; }
  // Whether an instruction may run where its way is not taken: it only
  // writes a register, and calls nothing.
  static bool mayRunAnyway(const PlanIns& in) {
    switch (in.op) {
      case PlanOp::Copy: case PlanOp::CopyL: case PlanOp::Neg: case PlanOp::NegL:
        return true;
      case PlanOp::Math: case PlanOp::MathL:
        return inlineKernel(in);
      default:
        return (in.op >= PlanOp::Add && in.op <= PlanOp::DivLR) ||
               (in.op >= PlanOp::Compare && in.op <= PlanOp::CompareLR);
    }
  }

  void findChoices() {
    const auto& ins = plan_.ins;
    const std::vector<int> jumpsTo = jumpsInto(ins);
    constexpr std::size_t kLongest = 16;
    for (std::size_t b = 0; b < ins.size(); ++b) {
      if (ins[b].op < PlanOp::Branch || ins[b].op > PlanOp::JumpIfL) continue;
      const auto second = static_cast<std::size_t>(ins[b].a);
      if (second <= b + 1 || second >= ins.size()) continue;
      std::size_t firstEnd = second, merge = second;  // without a second way, it ends where the first does
      if (ins[second - 1].op == PlanOp::Jump) {
        merge = static_cast<std::size_t>(ins[second - 1].a);
        // Not a loop's way back, and nothing else goes into the second way.
        if (merge < second || jumpsTo[second] != 1) continue;
        firstEnd = second - 1;
      }
      bool fits = merge < ins.size() && merge - b <= kLongest;
      for (std::size_t j = b + 1; fits && j < merge; ++j)
        fits = (j == second || jumpsTo[j] == 0) && (j == firstEnd || mayRunAnyway(ins[j]));
      if (!fits || (firstEnd == b + 1 && merge == second)) continue;
      const bool thenReturns = ins[merge].op == PlanOp::ReturnDouble && jumpsTo[merge] == 1;
      choices_.emplace(b, Choice{b, second, merge, thenReturns});
      shadows_ = std::max(shadows_, static_cast<std::int32_t>(merge - b));
      b = merge - 1;
    }
  }

  // Both ways of a choice, then the one taken.
  void both(const Choice& c) {
    const PlanIns& br = plan_.ins[c.branch];
    if (br.op == PlanOp::JumpIf || br.op == PlanOp::JumpIfL) {
      truth(br);
    } else {
      comparison(br);
    }
    if (!br.flag) as_.not_(rax);  // set where the second way is taken
    as_.mov(r10, rax);
    as_.xor_(r8d, r8d);
    as_.xor_(r9d, r9d);
    shadowsUsed_ = 0;
    Way first{0, {}}, second{1, {}};
    way_ = &first;
    for (std::size_t j = c.branch + 1; j < c.second; ++j) {
      if (plan_.ins[j].op == PlanOp::Jump) continue;
      instruction(plan_.ins[j]);
      first.last = plan_.ins[j].a;
    }
    if (first.last >= 0) as_.movq(r11, xmm0);
    way_ = &second;
    for (std::size_t j = c.second; j < c.merge; ++j) {
      instruction(plan_.ins[j]);
      second.last = plan_.ins[j].a;
    }
    way_ = nullptr;
    // Given up where the way taken gave up.
    as_.test(r10, r10);
    as_.cmovnz(r8d, r9d);
    as_.test(r8d, r8d);
    as_.jnz(bailOut_);
    // Each register either way wrote takes the value of the way taken.
    std::set<std::int32_t> written;
    for (const Way* w : {&first, &second})
      for (const auto& [r, slot] : w->written) written.insert(r);
    as_.test(r10, r10);
    std::int32_t merged = -1;
    for (std::int32_t r : written) {
      if (!read_[static_cast<std::size_t>(r)]) continue;
      const auto from = [&](const Way& w) {
        const auto it = w.written.find(r);
        return it != w.written.end() ? shadowSlot(it->second) : reg(r);
      };
      if (r == first.last) as_.mov(rax, r11); else as_.mov(rax, from(first));
      if (r == second.last) as_.movq(rcx, xmm0); else as_.mov(rcx, from(second));
      as_.cmovnz(rax, rcx);
      as_.mov(reg(r), rax);
      merged = r;
    }
    // Where the result is returned next, it is returned from here.
    if (c.thenReturns && merged == plan_.ins[c.merge].a && written.size() == 1) {
      as_.movq(xmm0, rax);
      result(VType::Double);
    }
  }

  // Whether the instruction after one takes its value at hand where a value
  // that is not finite gives one that is not finite either.
  static bool keepsNonFiniteAtHand(const PlanIns& in) {
    switch (in.op) {
      case PlanOp::AddL: case PlanOp::AddR: case PlanOp::AddLR: case PlanOp::SubL: case PlanOp::SubR:
      case PlanOp::SubLR: case PlanOp::MulL: case PlanOp::MulR: case PlanOp::MulLR: case PlanOp::DivL:
      case PlanOp::DivLR: case PlanOp::NegL: case PlanOp::CopyL:
        return true;  // x / y with y infinite is 0, so only the left operand of a division
      case PlanOp::MathL:
        return keepsNonFinite(in.kernel);
      default:
        return false;
    }
  }
  static bool checksFinite(PlanOp op) {
    return (op >= PlanOp::Add && op <= PlanOp::PowLR) || op == PlanOp::Math || op == PlanOp::MathL;
  }
  // A result read only by the next instruction, through the value at hand,
  // need not be checked where that instruction's own result is, and keeps
  // it from being finite: bailing out there bails out all the same.
  void findCoveredChecks() {
    const auto& ins = plan_.ins;
    checks_.assign(ins.size(), false);
    std::vector<bool> covered(ins.size() + 1, false);  // the value written is checked later
    for (std::size_t j = ins.size(); j-- > 0;) {
      const bool nextChecks = j + 1 < ins.size() && (checks_[j + 1] || covered[j + 1]);
      covered[j] = writesA(ins[j].op) && nextChecks && keepsNonFiniteAtHand(ins[j + 1]) &&
                   !read_[static_cast<std::size_t>(ins[j].a)];
      checks_[j] = checksFinite(ins[j].op) && !covered[j];
    }
  }

  // The registers an instruction reads from the frame rather than at hand.
  void noteReads(const PlanIns& in) {
    forEachRead(in, [this](std::int32_t r) { read_[static_cast<std::size_t>(r)] = true; });
  }

  std::int32_t constant(double v) {
    constants_.push_back(v);
    return static_cast<std::int32_t>(constants_.size()) - 1;
  }
  Address reg(std::int32_t r) const {
    if (way_ != nullptr) {
      const auto it = way_->written.find(r);
      if (it != way_->written.end()) return shadowSlot(it->second);
    }
    const std::int32_t p = pool_[static_cast<std::size_t>(r)];
    return p >= 0 ? pooled(p) : qword[rsp + 8 * r];
  }
  Address pooled(std::int32_t index) const { return qword[rip + constantPool_ + 8 * index]; }
  // A register's type tag, a byte.
  Address tag(std::int32_t r) const { return byte[rsp + static_cast<std::int32_t>(8 * regs_) + r]; }
  // Past the kinds: the abort flag's address, then the values the ways of
  // a choice write.
  std::int32_t pastKinds() const { return static_cast<std::int32_t>((9 * regs_ + 7) / 8 * 8); }
  Address abortSlot() const { return qword[rsp + pastKinds()]; }
  Address shadowSlot(std::int32_t i) const { return qword[rsp + pastKinds() + 8 + 8 * i]; }
  std::int32_t frameSize() const {
    // With the return address, the stack stays 16-aligned for calls.
    return (pastKinds() + 8 + 8 * shadows_ + 15) / 16 * 16 + 8;
  }

  void prologue() {
    as_.endbr64();  // a target of indirect calls, where that is enforced
    // A frame of more than a page is taken a page at a time, each touched,
    // so that code entered near the end of a stack meets its guard page
    // rather than stepping over it.
    constexpr std::int32_t kPage = 4096;
    std::int32_t left = frameSize();
    for (; left > kPage; left -= kPage) {
      as_.sub(rsp, kPage);
      as_.or_(qword[rsp], 0);
    }
    as_.sub(rsp, left);
    if (plan_.loops) as_.mov(abortSlot(), rdi);
    for (const auto& [r, v] : framed_) {
      const std::int32_t c = constant(v);
      as_.movsd(xmm1, pooled(c));
      as_.movsd(reg(r), xmm1);
    }
    if (read_[0]) as_.movsd(reg(0), xmm0);  // the argument, which is also at hand
    if (plan_.tagged) {
      for (std::size_t i = 0; i < regs_; i += 8)  // every tag Empty, eight at a time
        as_.mov(qword[rsp + static_cast<std::int32_t>(8 * regs_ + i)], 0);
      setTag(0, VType::Double);
    }
  }

  void setTag(std::int32_t r, VType k) { as_.mov(tag(r), static_cast<int>(k)); }
  // Bails out unless xmm holds a finite double.
  void bailOutUnlessFinite(const Xmm& x) {
    as_.movq(rax, x);
    as_.add(rax, rax);
    as_.cmp(rax, pooled(notFinite_));
    if (way_ != nullptr) {  // noted, for the way may not be taken
      as_.setae(al);
      as_.or_(way_->index == 0 ? r8b : r9b, al);
    } else {
      as_.jae(bailOut_);
    }
  }
  void stopIfAborted() {
    as_.mov(rax, abortSlot());
    as_.cmp(byte[rax], 0);  // the abort word's low byte
    as_.jne(aborted_);
  }
  // The result in xmm0, which is then the value at hand, into r[a], unless
  // no instruction reads r[a] from its register.
  void write(const PlanIns& in) {
    if (way_ != nullptr) way_->written.emplace(in.a, shadowsUsed_++);
    if (read_[static_cast<std::size_t>(in.a)]) as_.movsd(reg(in.a), xmm0);
  }
  void finiteWrite(const PlanIns& in) {
    if (checks_[static_cast<std::size_t>(&in - plan_.ins.data())]) bailOutUnlessFinite(xmm0);
    write(in);
  }
  // x in xmm0 and y in xmm1, from their registers or the value at hand.
  void pair(const PlanIns& in) {
    if (rightAtHand(in.op)) as_.movapd(xmm1, xmm0);
    if (!leftAtHand(in.op)) as_.movsd(xmm0, reg(in.b));
    if (!rightAtHand(in.op)) as_.movsd(xmm1, reg(in.c));
  }
  // Whether x bop y holds, as a mask in rax, with xmm0 kept.
  void comparison(const PlanIns& in) {
    if (leftAtHand(in.op)) as_.movapd(xmm1, xmm0); else as_.movsd(xmm1, reg(in.b));
    if (rightAtHand(in.op)) as_.movapd(xmm2, xmm0); else as_.movsd(xmm2, reg(in.c));
    Xmm x = xmm1, y = xmm2;
    Predicate p = CmpEq;
    switch (in.bop) {
      case BinOp::Eq: p = CmpEq; break;
      case BinOp::Ne: p = CmpNe; break;
      case BinOp::Lt: p = CmpLt; break;
      case BinOp::Le: p = CmpLe; break;
      case BinOp::Gt: p = CmpLt; std::swap(x, y); break;
      default: p = CmpLe; std::swap(x, y); break;  // Ge
    }
    as_.cmpsd(x, y, p);
    as_.movq(rax, x);
  }
  // Whether a Boolean register is True, as a mask in rax, with xmm0 kept.
  void truth(const PlanIns& in) {
    if (in.op == PlanOp::JumpIfL) as_.movapd(xmm1, xmm0); else as_.movsd(xmm1, reg(in.b));
    as_.xorpd(xmm2, xmm2);
    as_.cmpsd(xmm1, xmm2, CmpNe);
    as_.movq(rax, xmm1);
  }
  void branchOnRax(bool whenSet, std::int32_t target) {
    as_.test(rax, rax);
    if (whenSet) as_.jnz(at_[static_cast<std::size_t>(target)]); else as_.jz(at_[static_cast<std::size_t>(target)]);
  }
  // A loop's turn: the counter steps on (bailing out where it leaves its type),
  // the abort flag is read, and the loop goes on while the counter has not
  // passed the end; the start's register holds whether the step is negative.
  void turn(const PlanIns& in, bool integer) {
    as_.movsd(xmm1, reg(in.a));
    as_.movsd(xmm2, reg(in.b + 2));
    as_.addsd(xmm1, xmm2);
    if (integer) {
      const bool isLong = in.type == VType::Long;
      as_.movsd(xmm2, pooled(isLong ? longLow_ : integerLow_));
      as_.ucomisd(xmm1, xmm2);
      as_.jb(bailOut_);
      as_.movsd(xmm2, pooled(isLong ? longHigh_ : integerHigh_));
      as_.ucomisd(xmm1, xmm2);
      as_.ja(bailOut_);
    } else {
      bailOutUnlessFinite(xmm1);
    }
    as_.movsd(reg(in.a), xmm1);
    stopIfAborted();
    Label down, done;
    const Label& again = at_[static_cast<std::size_t>(in.c)];
    as_.movsd(xmm2, reg(in.b + 1));
    if (in.n != 0) {  // the direction known when planned
      if (in.n > 0) as_.ucomisd(xmm2, xmm1); else as_.ucomisd(xmm1, xmm2);
      as_.jae(again);
      return;
    }
    as_.movsd(xmm3, reg(in.b));
    as_.xorpd(xmm4, xmm4);
    as_.ucomisd(xmm3, xmm4);
    as_.jne(down);
    as_.ucomisd(xmm2, xmm1);  // up: the end at least the counter
    as_.jae(again);
    as_.jmp(done);
    as_.L(down);
    as_.ucomisd(xmm1, xmm2);  // down: the counter at least the end
    as_.jae(again);
    as_.L(done);
  }
  // The result, in xmm0, of a type known here or of the type register r's tag holds.
  void result(VType k) {
    as_.mov(eax, static_cast<std::uint32_t>(k));
    leave();
  }
  void resultTagged(std::int32_t r) {
    as_.movzx(eax, tag(r));
    leave();
  }
  void leave() {
    as_.add(rsp, frameSize());
    as_.ret();
  }
  void call(const void* fn) {
    as_.mov(rax, reinterpret_cast<std::uintptr_t>(fn));
    as_.call(rax);
  }

  // + - * / in one instruction each. A division by zero is never finite, as
  // the kernel's NaN is not.
  void arithmetic(const PlanIns& in) {
    pair(in);
    switch ((static_cast<int>(in.op) - static_cast<int>(PlanOp::Add)) / 4) {
      case 0: as_.addsd(xmm0, xmm1); break;
      case 1: as_.subsd(xmm0, xmm1); break;
      case 2: as_.mulsd(xmm0, xmm1); break;
      default: as_.divsd(xmm0, xmm1); break;
    }
    finiteWrite(in);
  }

  void instruction(const PlanIns& in) {
    switch (in.op) {
      case PlanOp::Copy:
        as_.movsd(xmm0, reg(in.b));
        write(in);
        break;
      case PlanOp::CopyL:
        write(in);
        break;
      case PlanOp::CopyTagged:
        as_.movsd(xmm0, reg(in.b));
        write(in);
        as_.movzx(eax, tag(in.b));
        as_.mov(tag(in.a), al);
        break;
      case PlanOp::Tag:
        setTag(in.a, in.type);
        break;
      case PlanOp::Add: case PlanOp::AddL: case PlanOp::AddR: case PlanOp::AddLR:
      case PlanOp::Sub: case PlanOp::SubL: case PlanOp::SubR: case PlanOp::SubLR:
      case PlanOp::Mul: case PlanOp::MulL: case PlanOp::MulR: case PlanOp::MulLR:
      case PlanOp::Div: case PlanOp::DivL: case PlanOp::DivR: case PlanOp::DivLR:
        arithmetic(in);
        break;
      case PlanOp::Pow: case PlanOp::PowL: case PlanOp::PowR: case PlanOp::PowLR:
        pair(in);
        call(reinterpret_cast<const void*>(&powCall));
        finiteWrite(in);
        break;
      case PlanOp::Neg: case PlanOp::NegL:
        if (in.op == PlanOp::Neg) as_.movsd(xmm0, reg(in.b));
        as_.movq(rax, xmm0);
        as_.btc(rax, 63);
        as_.movq(xmm0, rax);
        write(in);
        break;
      case PlanOp::Math: case PlanOp::MathL:
        if (in.op == PlanOp::Math) as_.movsd(xmm0, reg(in.b));
        if (in.kernel == &sqrKernel) {
          as_.sqrtsd(xmm0, xmm0);  // a NaN below zero, as the kernel's
        } else if (in.kernel == &absKernel) {
          as_.movq(rax, xmm0);
          as_.btr(rax, 63);
          as_.movq(xmm0, rax);
        } else {
          call(reinterpret_cast<const void*>(in.kernel));
        }
        finiteWrite(in);
        break;
      case PlanOp::Compare: case PlanOp::CompareL: case PlanOp::CompareR: case PlanOp::CompareLR:
        comparison(in);
        as_.mov(rcx, std::bit_cast<std::uint64_t>(-1.0));  // True
        as_.and_(rax, rcx);
        as_.movq(xmm0, rax);
        write(in);
        break;
      case PlanOp::Branch: case PlanOp::BranchL: case PlanOp::BranchR: case PlanOp::BranchLR:
        comparison(in);
        branchOnRax(in.flag, in.a);
        break;
      case PlanOp::JumpIf: case PlanOp::JumpIfL:
        truth(in);
        branchOnRax(in.flag, in.a);
        break;
      case PlanOp::Jump:
        as_.jmp(at_[static_cast<std::size_t>(in.a)]);
        break;
      case PlanOp::ForPrep:
        as_.mov(rdi, rsp);   // the registers
        as_.mov(esi, in.a);  // the counter
        as_.mov(edx, in.b);  // the start
        call(reinterpret_cast<const void*>(&forLoopSkipped));
        as_.test(al, al);
        as_.jnz(at_[static_cast<std::size_t>(in.c)]);
        break;
      case PlanOp::ForLoop:
        turn(in, true);
        break;
      case PlanOp::ForLoopReal:
        turn(in, false);
        break;
      case PlanOp::Tick:
        stopIfAborted();
        break;
      case PlanOp::MakeArray:
        for (std::int32_t j = 0; j < in.c; ++j) {
          as_.movsd(xmm1, reg(in.b + j));
          as_.movsd(reg(in.a + j), xmm1);
        }
        break;
      case PlanOp::LoadIndexed:
        // A whole subscript: truncated, it is itself; out of range (as an
        // unsigned number, below nought too), the plan bails out.
        if (in.flag) as_.cvttsd2si(rax, xmm0); else as_.cvttsd2si(rax, reg(in.c));
        as_.cmp(rax, in.n);
        as_.jae(bailOut_);
        as_.movsd(xmm0, qword[rsp + rax * 8 + 8 * in.b]);
        write(in);
        break;
      case PlanOp::Return:
        if (in.a >= 0) as_.movsd(xmm0, reg(in.a)); else as_.xorpd(xmm0, xmm0);
        result(in.type);
        break;
      case PlanOp::ReturnDouble:
        as_.movsd(xmm0, reg(in.a));
        result(VType::Double);
        break;
      case PlanOp::ReturnDoubleL:
        result(VType::Double);
        break;
      case PlanOp::ReturnTagged:
        as_.movsd(xmm0, reg(in.a));
        resultTagged(in.a);
        break;
      case PlanOp::BailOut:
        as_.jmp(bailOut_);
        break;
    }
  }

  const NumericPlan& plan_;
  // A growing buffer, never made executable: the code is copied out of it.
  Xbyak::CodeGenerator as_{4096, Xbyak::AutoGrow};
  std::size_t regs_ = 0;
  std::map<std::size_t, Choice> choices_;  // by the branch that starts each
  std::int32_t shadows_ = 0;                // slots the longest choice needs
  std::int32_t shadowsUsed_ = 0;
  Way* way_ = nullptr;  // the way of a choice being translated
  std::vector<bool> read_;
  std::vector<bool> checks_;  // per instruction, whether its result is checked to be finite  // per register, whether an instruction reads it from the frame
  std::vector<std::int32_t> pool_;  // per register, its constant's index, or -1 where it is in the frame
  std::vector<double> constants_;
  std::vector<std::pair<std::int32_t, double>> framed_;  // registers in the frame with a value at the start
  std::unique_ptr<Label[]> at_;  // each instruction's label
  Label bailOut_, aborted_, constantPool_;
  std::int32_t integerLow_ = 0, integerHigh_ = 0, longLow_ = 0, longHigh_ = 0, notFinite_ = 0;
};

}  // namespace

std::shared_ptr<const NativePlan> compileNative(const NumericPlan& plan) {
  try {
    Translator translator(plan);
    std::vector<std::size_t> starts;
    std::size_t codeEnd = 0;
    auto memory = ExecutableMemory::holding(translator.translate(starts, codeEnd));
    if (memory == nullptr) return nullptr;
    auto native = std::make_shared<NativePlan>(std::move(memory));
    native->starts = std::move(starts);
    native->codeEnd = codeEnd;
    return native;
  } catch (const Xbyak::Error&) {
    return nullptr;  // the plan interpreter runs it
  }
}

}  // namespace zorvan::vbs

#else

namespace zorvan::vbs {

std::shared_ptr<const NativePlan> compileNative(const NumericPlan&) { return nullptr; }

}  // namespace zorvan::vbs

#endif
