#include "eval/vbscript/native/native_plan.h"

#include "eval/vbscript/plan/numeric_plan.h"

#if defined(__x86_64__) && defined(__linux__)

#include <sys/mman.h>

#include <bit>
#include <cstring>
#include <initializer_list>
#include <map>
#include <set>
#include <vector>

#include "eval/vbscript/plan/numeric_kernels.h"
#include "eval/vbscript/native/x64_assembler.h"

namespace zorvan::vbs {

namespace {

using namespace x64;

double powCall(double x, double y) { return powKernel(x, y); }

// The translation of one plan.
class Translator {
 public:
  explicit Translator(const NumericPlan& plan) : plan_(plan) {
    std::set<std::int32_t> written{0}, loopOperands;
    std::int32_t top = 0;
    for (const auto& [reg, v] : plan.start) top = std::max(top, reg);
    for (const PlanIns& in : plan.ins) {
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
    // Doubled, the bits of every infinity and NaN are at least these.
    notFinite_ = constant(std::bit_cast<double>(0xFFE0000000000000ULL));
  }

  std::vector<std::uint8_t> translate() {
    for (std::size_t j = 0; j < plan_.ins.size(); ++j) at_.push_back(as_.newLabel());
    giveUp_ = as_.newLabel();
    aborted_ = as_.newLabel();
    const int pool = as_.newLabel();
    as_.setPool(pool);
    prologue();
    for (std::size_t j = 0; j < plan_.ins.size();) {
      as_.bind(at_[j]);
      const auto choice = choices_.find(j);
      if (choice != choices_.end()) {
        both(choice->second);
        j = choice->second.merge;
      } else {
        instruction(plan_.ins[j++]);
      }
    }
    as_.bind(giveUp_);
    as_.movEax(NativePlan::kGaveUp);
    leave();
    as_.bind(aborted_);
    as_.movEax(NativePlan::kAborted);
    leave();
    while (as_.size() % 8 != 0) as_.emit({0xCC});
    as_.bind(pool);
    for (double v : constants_) as_.emit64(std::bit_cast<std::uint64_t>(v));
    return as_.finish();
  }

 private:
  static bool writesA(PlanOp op) {
    switch (op) {
      case PlanOp::Tag: case PlanOp::Branch: case PlanOp::BranchL: case PlanOp::BranchR: case PlanOp::BranchLR:
      case PlanOp::JumpIf: case PlanOp::JumpIfL: case PlanOp::Jump: case PlanOp::Tick: case PlanOp::Return:
      case PlanOp::ReturnDouble: case PlanOp::ReturnDoubleL: case PlanOp::ReturnTagged: case PlanOp::GiveUp:
        return false;
      default:
        return true;
    }
  }

  // A choice between two short ways without calls, as an If compiles: a
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
    std::vector<int> jumpsTo(ins.size() + 1);
    for (const PlanIns& in : ins)
      if (const std::int32_t* t = jumpTarget(in)) ++jumpsTo[static_cast<std::size_t>(*t)];
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
    if (!br.flag) as_.emit({0x48, 0xF7, 0xD0});  // not rax: set where the second way is taken
    as_.emit({0x49, 0x89, 0xC2});                 // mov r10, rax
    as_.emit({0x45, 0x31, 0xC0, 0x45, 0x31, 0xC9});  // xor r8d, r8d; xor r9d, r9d
    shadowsUsed_ = 0;
    Way first{0, {}}, second{1, {}};
    way_ = &first;
    for (std::size_t j = c.branch + 1; j < c.second; ++j) {
      if (plan_.ins[j].op == PlanOp::Jump) continue;
      instruction(plan_.ins[j]);
      first.last = plan_.ins[j].a;
    }
    if (first.last >= 0) as_.emit({0x66, 0x49, 0x0F, 0x7E, 0xC3});  // movq r11, xmm0
    way_ = &second;
    for (std::size_t j = c.second; j < c.merge; ++j) {
      instruction(plan_.ins[j]);
      second.last = plan_.ins[j].a;
    }
    way_ = nullptr;
    // Given up where the way taken gave up.
    as_.emit({0x4D, 0x85, 0xD2});        // test r10, r10
    as_.emit({0x45, 0x0F, 0x45, 0xC1});  // cmovnz r8d, r9d
    as_.emit({0x45, 0x85, 0xC0});        // test r8d, r8d
    as_.jumpIf(NotEqual, giveUp_);
    // Each register either way wrote takes the value of the way taken.
    std::set<std::int32_t> written;
    for (const Way* w : {&first, &second})
      for (const auto& [r, slot] : w->written) written.insert(r);
    as_.emit({0x4D, 0x85, 0xD2});  // test r10, r10
    std::int32_t merged = -1;
    for (std::int32_t r : written) {
      if (!read_[static_cast<std::size_t>(r)]) continue;
      const auto from = [&](const Way& w) {
        const auto it = w.written.find(r);
        return it != w.written.end() ? shadowSlot(it->second) : reg(r);
      };
      if (r == first.last) as_.emit({0x4C, 0x89, 0xD8}); else as_.load64(Eax, from(first));  // mov rax, r11
      if (r == second.last) as_.bitsToRcx(0); else as_.load64(Ecx, from(second));
      as_.emit({0x48, 0x0F, 0x45, 0xC1});  // cmovnz rax, rcx
      as_.store64(reg(r), Eax);
      merged = r;
    }
    // Where the result is returned next, it is returned from here.
    if (c.thenReturns && merged == plan_.ins[c.merge].a && written.size() == 1) {
      as_.bitsFromRax(0);
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
  // it from being finite: giving up there gives up all the same.
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
    const auto note = [this](std::int32_t r) { read_[static_cast<std::size_t>(r)] = true; };
    if (hasFourForms(in.op)) {
      if (!leftAtHand(in.op)) note(in.b);
      if (!rightAtHand(in.op)) note(in.c);
      return;
    }
    switch (in.op) {
      case PlanOp::Copy: case PlanOp::CopyTagged: case PlanOp::Neg: case PlanOp::Math: case PlanOp::JumpIf:
        note(in.b);
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

  std::int32_t constant(double v) {
    constants_.push_back(v);
    return static_cast<std::int32_t>(constants_.size()) - 1;
  }
  Mem reg(std::int32_t r) const {
    if (way_ != nullptr) {
      const auto it = way_->written.find(r);
      if (it != way_->written.end()) return shadowSlot(it->second);
    }
    const std::int32_t p = pool_[static_cast<std::size_t>(r)];
    return p >= 0 ? pooled(p) : Mem{Rsp, 8 * r};
  }
  static Mem pooled(std::int32_t index) { return Mem{Rip, 8 * index}; }
  Mem kind(std::int32_t r) const { return Mem{Rsp, static_cast<std::int32_t>(8 * regs_) + r}; }
  // Past the kinds: the abort flag's address, then the values the ways of
  // a choice write.
  std::int32_t pastKinds() const { return static_cast<std::int32_t>((9 * regs_ + 7) / 8 * 8); }
  Mem abortSlot() const { return Mem{Rsp, pastKinds()}; }
  Mem shadowSlot(std::int32_t i) const { return Mem{Rsp, pastKinds() + 8 + 8 * i}; }
  std::int32_t frameSize() const {
    // With the return address, the stack stays 16-aligned for calls.
    return (pastKinds() + 8 + 8 * shadows_ + 15) / 16 * 16 + 8;
  }

  void prologue() {
    as_.emit({0xF3, 0x0F, 0x1E, 0xFA});  // endbr64: a target of indirect calls, where that is enforced
    // A frame of more than a page is taken a page at a time, each touched,
    // so that code entered near the end of a stack meets its guard page
    // rather than stepping over it.
    constexpr std::int32_t kPage = 4096;
    std::int32_t left = frameSize();
    for (; left > kPage; left -= kPage) {
      as_.emit({0x48, 0x81, 0xEC});  // sub rsp, page
      as_.emit32(static_cast<std::uint32_t>(kPage));
      as_.emit({0x48, 0x83, 0x0C, 0x24, 0x00});  // or qword [rsp], 0
    }
    as_.emit({0x48, 0x81, 0xEC});  // sub rsp, the rest
    as_.emit32(static_cast<std::uint32_t>(left));
    if (plan_.loops) {
      as_.store64(abortSlot(), 7);  // rdi
    }
    for (const auto& [r, v] : framed_) {
      const std::int32_t c = constant(v);
      as_.load(1, pooled(c));
      as_.store(reg(r), 1);
    }
    if (read_[0]) as_.store(reg(0), 0);  // the argument, which is also at hand
    if (plan_.tagged) {
      for (std::size_t i = 0; i < regs_; i += 8) {  // every kind Empty
        const Mem m = kind(static_cast<std::int32_t>(i));
        as_.rexWide();
        as_.emit({0xC7});  // mov qword [m], 0
        as_.modrm(0, m);
        as_.emit32(0);
      }
      setKind(0, VType::Double);
    }
  }

  void setKind(std::int32_t r, VType k) {
    const Mem m = kind(r);
    as_.emit({0xC6});  // mov byte [m], imm8
    as_.modrm(0, m);
    as_.emit({static_cast<int>(k)});
  }
  // Gives up unless xmm holds a finite double.
  void giveUpUnlessFinite(int xmm) {
    as_.bitsToRax(xmm);
    as_.emit({0x48, 0x01, 0xC0});  // add rax, rax
    as_.rexWide();
    as_.emit({0x3B});  // cmp rax, [notFinite]
    as_.modrm(Rax, pooled(notFinite_));
    if (way_ != nullptr) {  // noted, for the way may not be taken
      as_.emit({0x0F, 0x93, 0xC0});                   // setae al
      as_.emit({0x41, 0x08, 0xC0 | way_->index});  // or r8b or r9b, al
    } else {
      as_.jumpIf(AboveEqual, giveUp_);
    }
  }
  void giveUpIfAborted() {
    as_.load64(Eax, abortSlot());
    as_.emit({0x80});  // cmp byte [rax], 0: the abort word's low byte
    as_.modrm(7, Mem{Rax, 0});
    as_.emit({0});
    as_.jumpIf(NotEqual, aborted_);
  }
  // The result in xmm0, which is then the value at hand, into r[a], unless
  // no instruction reads r[a] from its register.
  void write(const PlanIns& in) {
    if (way_ != nullptr) way_->written.emplace(in.a, shadowsUsed_++);
    if (read_[static_cast<std::size_t>(in.a)]) as_.store(reg(in.a), 0);
  }
  void finiteWrite(const PlanIns& in) {
    if (checks_[static_cast<std::size_t>(&in - plan_.ins.data())]) giveUpUnlessFinite(0);
    write(in);
  }
  // x in xmm0 and y in xmm1, from their registers or the value at hand.
  void pair(const PlanIns& in) {
    if (rightAtHand(in.op)) as_.move(1, 0);
    if (!leftAtHand(in.op)) as_.load(0, reg(in.b));
    if (!rightAtHand(in.op)) as_.load(1, reg(in.c));
  }
  // Whether x bop y holds, as a mask in rax, with xmm0 kept.
  void comparison(const PlanIns& in) {
    if (leftAtHand(in.op)) as_.move(1, 0); else as_.load(1, reg(in.b));
    if (rightAtHand(in.op)) as_.move(2, 0); else as_.load(2, reg(in.c));
    int x = 1, y = 2;
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
    as_.bitsToRax(x);
  }
  // Whether a Boolean register is True, as a mask in rax, with xmm0 kept.
  void truth(const PlanIns& in) {
    if (in.op == PlanOp::JumpIfL) as_.move(1, 0); else as_.load(1, reg(in.b));
    as_.zero(2);
    as_.cmpsd(1, 2, CmpNe);
    as_.bitsToRax(1);
  }
  void branchOnRax(bool whenSet, std::int32_t target) {
    as_.emit({0x48, 0x85, 0xC0});  // test rax, rax
    as_.jumpIf(whenSet ? NotEqual : Equal, at_[static_cast<std::size_t>(target)]);
  }
  // A loop's turn: the counter steps on (given up where it leaves its kind),
  // the abort flag is read, and the loop goes on while the counter has not
  // passed the end; the start's register holds whether the step is negative.
  void turn(const PlanIns& in, bool integer) {
    as_.load(1, reg(in.a));
    as_.load(2, reg(in.b + 2));
    as_.sse(0xF2, 0x58, 1, 2);  // addsd xmm1, xmm2
    if (integer) {
      as_.load(2, pooled(integerLow_));
      as_.ucomisd(1, 2);
      as_.jumpIf(Below, giveUp_);
      as_.load(2, pooled(integerHigh_));
      as_.ucomisd(1, 2);
      as_.jumpIf(Above, giveUp_);
    } else {
      giveUpUnlessFinite(1);
    }
    as_.store(reg(in.a), 1);
    giveUpIfAborted();
    const int down = as_.newLabel(), done = as_.newLabel();
    const int again = at_[static_cast<std::size_t>(in.c)];
    as_.load(2, reg(in.b + 1));
    as_.load(3, reg(in.b));
    as_.zero(4);
    as_.ucomisd(3, 4);
    as_.jumpIf(NotEqual, down);
    as_.ucomisd(2, 1);  // up: the end at least the counter
    as_.jumpIf(AboveEqual, again);
    as_.jump(done);
    as_.bind(down);
    as_.ucomisd(1, 2);  // down: the counter at least the end
    as_.jumpIf(AboveEqual, again);
    as_.bind(done);
  }
  // The result, in xmm0, of a kind known here or of the kind register r holds.
  void result(VType k) {
    as_.movEax(static_cast<std::uint32_t>(k));
    leave();
  }
  void resultTagged(std::int32_t r) {
    const Mem m = kind(r);
    as_.loadByte(Eax, m);
    leave();
  }
  void leave() {
    as_.emit({0x48, 0x81, 0xC4});  // add rsp, frame
    as_.emit32(static_cast<std::uint32_t>(frameSize()));
    as_.emit({0xC3});  // ret
  }

  // + - * / in one instruction each. A division by zero is never finite, as
  // the kernel's NaN is not.
  void arithmetic(const PlanIns& in) {
    static constexpr int kSse[] = {0x58, 0x5C, 0x59, 0x5E};  // addsd, subsd, mulsd, divsd
    pair(in);
    as_.sse(0xF2, kSse[(static_cast<int>(in.op) - static_cast<int>(PlanOp::Add)) / 4], 0, 1);
    finiteWrite(in);
  }

  void instruction(const PlanIns& in) {
    switch (in.op) {
      case PlanOp::Copy:
        as_.load(0, reg(in.b));
        write(in);
        break;
      case PlanOp::CopyL:
        write(in);
        break;
      case PlanOp::CopyTagged: {
        as_.load(0, reg(in.b));
        write(in);
        const Mem from = kind(in.b), to = kind(in.a);
        as_.loadByte(Eax, from);
        as_.emit({0x88});  // mov byte [to], al
        as_.modrm(0, to);
        break;
      }
      case PlanOp::Tag:
        setKind(in.a, in.kind);
        break;
      case PlanOp::Add: case PlanOp::AddL: case PlanOp::AddR: case PlanOp::AddLR:
      case PlanOp::Sub: case PlanOp::SubL: case PlanOp::SubR: case PlanOp::SubLR:
      case PlanOp::Mul: case PlanOp::MulL: case PlanOp::MulR: case PlanOp::MulLR:
      case PlanOp::Div: case PlanOp::DivL: case PlanOp::DivR: case PlanOp::DivLR:
        arithmetic(in);
        break;
      case PlanOp::Pow: case PlanOp::PowL: case PlanOp::PowR: case PlanOp::PowLR:
        pair(in);
        as_.call(reinterpret_cast<const void*>(&powCall));
        finiteWrite(in);
        break;
      case PlanOp::Neg: case PlanOp::NegL:
        if (in.op == PlanOp::Neg) as_.load(0, reg(in.b));
        as_.bitsToRax(0);
        as_.emit({0x48, 0x0F, 0xBA, 0xF8, 0x3F});  // btc rax, 63
        as_.bitsFromRax(0);
        write(in);
        break;
      case PlanOp::Math: case PlanOp::MathL:
        if (in.op == PlanOp::Math) as_.load(0, reg(in.b));
        if (in.kernel == &sqrKernel) {
          as_.sse(0xF2, 0x51, 0, 0);  // sqrtsd: a NaN below zero, as the kernel's
        } else if (in.kernel == &absKernel) {
          as_.bitsToRax(0);
          as_.emit({0x48, 0x0F, 0xBA, 0xF0, 0x3F});  // btr rax, 63
          as_.bitsFromRax(0);
        } else {
          as_.call(reinterpret_cast<const void*>(in.kernel));
        }
        finiteWrite(in);
        break;
      case PlanOp::Compare: case PlanOp::CompareL: case PlanOp::CompareR: case PlanOp::CompareLR:
        comparison(in);
        as_.emit({0x48, 0xB9});  // mov rcx, the bits of -1.0: True
        as_.emit64(std::bit_cast<std::uint64_t>(-1.0));
        as_.emit({0x48, 0x21, 0xC8});  // and rax, rcx
        as_.bitsFromRax(0);
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
        as_.jump(at_[static_cast<std::size_t>(in.a)]);
        break;
      case PlanOp::ForPrep:
        as_.emit({0x48, 0x89, 0xE7});  // mov rdi, rsp
        as_.emit({0xBE});              // mov esi, counter
        as_.emit32(static_cast<std::uint32_t>(in.a));
        as_.emit({0xBA});  // mov edx, start
        as_.emit32(static_cast<std::uint32_t>(in.b));
        as_.call(reinterpret_cast<const void*>(&forLoopSkipped));
        as_.emit({0x84, 0xC0});  // test al, al
        as_.jumpIf(NotEqual, at_[static_cast<std::size_t>(in.c)]);
        break;
      case PlanOp::ForLoop:
        turn(in, true);
        break;
      case PlanOp::ForLoopReal:
        turn(in, false);
        break;
      case PlanOp::Tick:
        giveUpIfAborted();
        break;
      case PlanOp::Return:
        if (in.a >= 0) as_.load(0, reg(in.a)); else as_.zero(0);
        result(in.kind);
        break;
      case PlanOp::ReturnDouble:
        as_.load(0, reg(in.a));
        result(VType::Double);
        break;
      case PlanOp::ReturnDoubleL:
        result(VType::Double);
        break;
      case PlanOp::ReturnTagged:
        as_.load(0, reg(in.a));
        resultTagged(in.a);
        break;
      case PlanOp::GiveUp:
        as_.jump(giveUp_);
        break;
    }
  }

  const NumericPlan& plan_;
  Assembler as_;
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
  std::vector<int> at_;  // each instruction's label
  int giveUp_ = 0, aborted_ = 0;
  std::int32_t integerLow_ = 0, integerHigh_ = 0, notFinite_ = 0;
};

}  // namespace

NativePlan::NativePlan(void* memory, std::size_t size)
    : memory_(memory), size_(size), entry_(reinterpret_cast<Entry>(memory)) {}

NativePlan::~NativePlan() { munmap(memory_, size_); }

std::shared_ptr<const NativePlan> compileNative(const NumericPlan& plan) {
  const std::vector<std::uint8_t> code = Translator(plan).translate();
  if (code.empty()) return nullptr;
  // Written while writable, then made executable and never writable again.
  void* memory = mmap(nullptr, code.size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  std::memcpy(memory, code.data(), code.size());
  if (mprotect(memory, code.size(), PROT_READ | PROT_EXEC) != 0) {
    munmap(memory, code.size());
    return nullptr;
  }
  return std::make_shared<const NativePlan>(memory, code.size());
}

}  // namespace zorvan::vbs

#else

namespace zorvan::vbs {

NativePlan::NativePlan(void* memory, std::size_t size) : memory_(memory), size_(size), entry_(nullptr) {}
NativePlan::~NativePlan() = default;

std::shared_ptr<const NativePlan> compileNative(const NumericPlan&) { return nullptr; }

}  // namespace zorvan::vbs

#endif
