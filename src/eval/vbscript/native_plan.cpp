#include "eval/vbscript/native_plan.h"

#include "eval/vbscript/numeric_plan.h"

#if defined(__x86_64__) && defined(__linux__)

#include <sys/mman.h>

#include <bit>
#include <cstring>
#include <initializer_list>
#include <set>
#include <vector>

#include "eval/vbscript/numeric_kernels.h"

namespace zorvan::vbs {

namespace {

// The plan's registers are slots of the native stack frame, [rsp + 8r]; its
// constants lie after the code, [rip + pool + 8i]. Nothing else is kept
// across instructions but the value at hand, in xmm0.
enum Base { Rip = -1, Rax = 0, Rsp = 4 };

// A double in memory: [base + disp], or the constant pool's disp-th byte.
struct Mem {
  int base;
  std::int32_t disp;
};

// Condition codes of Jcc.
enum Cond { Below = 0x2, AboveEqual = 0x3, Equal = 0x4, NotEqual = 0x5, Above = 0x7 };

// cmpsd's predicates: each holds exactly where the C++ comparison does, a NaN included.
enum Predicate { CmpEq = 0, CmpLt = 1, CmpLe = 2, CmpNe = 4 };

// A byte buffer with labels whose 32-bit displacements are filled in once
// every label is bound.
class Assembler {
 public:
  int newLabel() {
    labels_.push_back(-1);
    return static_cast<int>(labels_.size()) - 1;
  }
  void bind(int label) { labels_[static_cast<std::size_t>(label)] = static_cast<std::int64_t>(code_.size()); }

  void emit(std::initializer_list<int> bytes) {
    for (int b : bytes) code_.push_back(static_cast<std::uint8_t>(b));
  }
  void emit32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) code_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void emit64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) code_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  // A displacement to a label, relative to the end of the instruction it ends.
  void rel32(int label, std::int32_t addend = 0) {
    fixups_.push_back({code_.size(), label, addend});
    emit32(0);
  }
  // Where Rip operands point.
  void setPool(int label) { pool_ = label; }

  // The ModRM byte (and SIB and displacement) naming a memory operand; a
  // Rip operand's displacement ends its instruction.
  void modrm(int reg, Mem m) {
    if (m.base == Rip) {
      emit({(reg & 7) << 3 | 5});
      rel32(pool_, m.disp);
    } else if (m.base == Rax) {
      emit({(reg & 7) << 3});
    } else {
      emit({0x84 | (reg & 7) << 3, 0x24});  // [rsp + disp32]
      emit32(static_cast<std::uint32_t>(m.disp));
    }
  }
  void rexWide() { emit({0x48}); }
  // An SSE2 instruction on xmm and a double in memory: prefix 0F op /r.
  void sse(int prefix, int op, int xmm, Mem m) {
    emit({prefix, 0x0F, op});
    modrm(xmm, m);
  }
  void sse(int prefix, int op, int xmm, int xmmFrom) { emit({prefix, 0x0F, op, 0xC0 | xmm << 3 | xmmFrom}); }

  void load(int xmm, Mem m) { sse(0xF2, 0x10, xmm, m); }      // movsd xmm, m64
  void store(Mem m, int xmm) { sse(0xF2, 0x11, xmm, m); }     // movsd m64, xmm
  void move(int xmm, int from) { sse(0x66, 0x28, xmm, from); }  // movapd
  void zero(int xmm) { sse(0x66, 0x57, xmm, xmm); }             // xorpd
  void ucomisd(int x, int y) { sse(0x66, 0x2E, x, y); }
  void cmpsd(int x, int y, Predicate p) {
    sse(0xF2, 0xC2, x, y);
    emit({p});
  }
  void bitsToRax(int xmm) { emit({0x66, 0x48, 0x0F, 0x7E, 0xC0 | xmm << 3}); }    // movq rax, xmm
  void bitsFromRax(int xmm) { emit({0x66, 0x48, 0x0F, 0x6E, 0xC0 | xmm << 3}); }  // movq xmm, rax

  void jump(int label) {
    emit({0xE9});
    rel32(label);
  }
  void jumpIf(Cond c, int label) {
    emit({0x0F, 0x80 | c});
    rel32(label);
  }
  void movEax(std::uint32_t v) {
    emit({0xB8});
    emit32(v);
  }
  void call(const void* fn) {
    emit({0x48, 0xB8});  // mov rax, imm64
    emit64(reinterpret_cast<std::uintptr_t>(fn));
    emit({0xFF, 0xD0});  // call rax
  }

  std::size_t size() const { return code_.size(); }
  // The code with every displacement filled in.
  std::vector<std::uint8_t> finish() {
    for (const auto& [at, label, addend] : fixups_) {
      const std::int64_t rel = labels_[static_cast<std::size_t>(label)] + addend - static_cast<std::int64_t>(at + 4);
      const auto v = static_cast<std::uint32_t>(static_cast<std::int32_t>(rel));
      for (int i = 0; i < 4; ++i) code_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    return std::move(code_);
  }

 private:
  struct Fixup {
    std::size_t at;
    int label;
    std::int32_t addend;
  };
  std::vector<std::uint8_t> code_;
  std::vector<std::int64_t> labels_;
  std::vector<Fixup> fixups_;
  int pool_ = -1;
};

bool isLoopOp(PlanOp op) { return op == PlanOp::ForPrep || op == PlanOp::ForLoop || op == PlanOp::ForLoopReal; }

// The operands of an instruction's four forms: none, L, R, LR.
int formOf(PlanOp op, PlanOp base) { return static_cast<int>(op) - static_cast<int>(base); }
bool leftAtHand(int form) { return (form & 1) != 0; }
bool rightAtHand(int form) { return (form & 2) != 0; }

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
    for (std::size_t j = 0; j < plan_.ins.size(); ++j) {
      as_.bind(at_[j]);
      instruction(plan_.ins[j]);
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

  // The registers an instruction reads from the frame rather than at hand.
  void noteReads(const PlanIns& in) {
    const auto note = [this](std::int32_t r) { read_[static_cast<std::size_t>(r)] = true; };
    const auto pairOf = [&](PlanOp base) {
      const int form = formOf(in.op, base);
      if (!leftAtHand(form)) note(in.b);
      if (!rightAtHand(form)) note(in.c);
    };
    switch (in.op) {
      case PlanOp::Copy: case PlanOp::CopyTagged: case PlanOp::Neg: case PlanOp::Math: case PlanOp::JumpIf:
        note(in.b);
        break;
      case PlanOp::Add: case PlanOp::AddL: case PlanOp::AddR: case PlanOp::AddLR: pairOf(PlanOp::Add); break;
      case PlanOp::Sub: case PlanOp::SubL: case PlanOp::SubR: case PlanOp::SubLR: pairOf(PlanOp::Sub); break;
      case PlanOp::Mul: case PlanOp::MulL: case PlanOp::MulR: case PlanOp::MulLR: pairOf(PlanOp::Mul); break;
      case PlanOp::Div: case PlanOp::DivL: case PlanOp::DivR: case PlanOp::DivLR: pairOf(PlanOp::Div); break;
      case PlanOp::Pow: case PlanOp::PowL: case PlanOp::PowR: case PlanOp::PowLR: pairOf(PlanOp::Pow); break;
      case PlanOp::Compare: case PlanOp::CompareL: case PlanOp::CompareR: case PlanOp::CompareLR:
        pairOf(PlanOp::Compare);
        break;
      case PlanOp::Branch: case PlanOp::BranchL: case PlanOp::BranchR: case PlanOp::BranchLR:
        pairOf(PlanOp::Branch);
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
    const std::int32_t p = pool_[static_cast<std::size_t>(r)];
    return p >= 0 ? pooled(p) : Mem{Rsp, 8 * r};
  }
  static Mem pooled(std::int32_t index) { return Mem{Rip, 8 * index}; }
  Mem kind(std::int32_t r) const { return Mem{Rsp, static_cast<std::int32_t>(8 * regs_) + r}; }
  // Where the abort flag's address is kept, past the kinds.
  Mem abortSlot() const { return Mem{Rsp, static_cast<std::int32_t>((9 * regs_ + 7) / 8 * 8)}; }
  std::int32_t frameSize() const {
    // With the return address, the stack stays 16-aligned for calls.
    return static_cast<std::int32_t>((9 * regs_ + 7) / 8 * 8 + 8 + 15) / 16 * 16 + 8;
  }

  void prologue() {
    as_.emit({0x48, 0x81, 0xEC});  // sub rsp, frame
    as_.emit32(static_cast<std::uint32_t>(frameSize()));
    if (plan_.loops) {
      as_.rexWide();
      as_.emit({0x89});  // mov [slot], rdi
      as_.modrm(7, abortSlot());
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
    as_.jumpIf(AboveEqual, giveUp_);
  }
  void giveUpIfAborted() {
    as_.rexWide();
    as_.emit({0x8B});  // mov rax, [slot]
    as_.modrm(Rax, abortSlot());
    as_.emit({0x80});  // cmp byte [rax], 0
    as_.modrm(7, Mem{Rax, 0});
    as_.emit({0});
    as_.jumpIf(NotEqual, aborted_);
  }
  // The result in xmm0, which is then the value at hand, into r[a], unless
  // no instruction reads r[a] from its register.
  void write(const PlanIns& in) {
    if (read_[static_cast<std::size_t>(in.a)]) as_.store(reg(in.a), 0);
  }
  void finiteWrite(const PlanIns& in) {
    giveUpUnlessFinite(0);
    write(in);
  }
  // x in xmm0 and y in xmm1, from their registers or the value at hand.
  void pair(const PlanIns& in, int form) {
    if (rightAtHand(form)) as_.move(1, 0);
    if (!leftAtHand(form)) as_.load(0, reg(in.b));
    if (!rightAtHand(form)) as_.load(1, reg(in.c));
  }
  // Whether x bop y holds, as a mask in rax, with xmm0 kept.
  void comparison(const PlanIns& in, int form) {
    if (leftAtHand(form)) as_.move(1, 0); else as_.load(1, reg(in.b));
    if (rightAtHand(form)) as_.move(2, 0); else as_.load(2, reg(in.c));
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
    as_.emit({0x0F, 0xB6});  // movzx eax, byte [m]
    as_.modrm(0, m);
    leave();
  }
  void leave() {
    as_.emit({0x48, 0x81, 0xC4});  // add rsp, frame
    as_.emit32(static_cast<std::uint32_t>(frameSize()));
    as_.emit({0xC3});  // ret
  }

  void arithmetic(const PlanIns& in, PlanOp base, int sseOp) {
    pair(in, formOf(in.op, base));
    as_.sse(0xF2, sseOp, 0, 1);
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
        as_.emit({0x0F, 0xB6});  // movzx eax, byte [from]
        as_.modrm(0, from);
        as_.emit({0x88});  // mov byte [to], al
        as_.modrm(0, to);
        break;
      }
      case PlanOp::Tag:
        setKind(in.a, in.kind);
        break;
      case PlanOp::Add: case PlanOp::AddL: case PlanOp::AddR: case PlanOp::AddLR:
        arithmetic(in, PlanOp::Add, 0x58);
        break;
      case PlanOp::Sub: case PlanOp::SubL: case PlanOp::SubR: case PlanOp::SubLR:
        arithmetic(in, PlanOp::Sub, 0x5C);
        break;
      case PlanOp::Mul: case PlanOp::MulL: case PlanOp::MulR: case PlanOp::MulLR:
        arithmetic(in, PlanOp::Mul, 0x59);
        break;
      case PlanOp::Div: case PlanOp::DivL: case PlanOp::DivR: case PlanOp::DivLR:
        // A division by zero is never finite, as the kernel's NaN is not.
        arithmetic(in, PlanOp::Div, 0x5E);
        break;
      case PlanOp::Pow: case PlanOp::PowL: case PlanOp::PowR: case PlanOp::PowLR:
        pair(in, formOf(in.op, PlanOp::Pow));
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
        as_.call(reinterpret_cast<const void*>(in.kernel));
        finiteWrite(in);
        break;
      case PlanOp::Compare: case PlanOp::CompareL: case PlanOp::CompareR: case PlanOp::CompareLR:
        comparison(in, formOf(in.op, PlanOp::Compare));
        as_.emit({0x48, 0xB9});  // mov rcx, the bits of -1.0: True
        as_.emit64(std::bit_cast<std::uint64_t>(-1.0));
        as_.emit({0x48, 0x21, 0xC8});  // and rax, rcx
        as_.bitsFromRax(0);
        write(in);
        break;
      case PlanOp::Branch: case PlanOp::BranchL: case PlanOp::BranchR: case PlanOp::BranchLR:
        comparison(in, formOf(in.op, PlanOp::Branch));
        branchOnRax(in.flag, in.a);
        break;
      case PlanOp::JumpIf: case PlanOp::JumpIfL:
        if (in.op == PlanOp::JumpIfL) as_.move(1, 0); else as_.load(1, reg(in.b));
        as_.zero(2);
        as_.cmpsd(1, 2, CmpNe);
        as_.bitsToRax(1);
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
  std::vector<bool> read_;  // per register, whether an instruction reads it from the frame
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
