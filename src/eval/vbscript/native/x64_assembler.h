#pragma once
// Just enough of an x86-64 assembler for numeric plans: scalar double
// arithmetic and comparisons in xmm registers, doubles on the stack or in a
// constant pool after the code, jumps to labels and calls by address.

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace zorvan::vbs::x64 {

// The bases of memory operands, and the general registers used otherwise.
enum Base { Rip = -1, Rax = 0, Rsp = 4 };
enum Gpr { Eax = 0, Ecx = 1 };

// Eight bytes in memory: [base + disp], or the constant pool's disp-th byte.
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
  void bitsToRcx(int xmm) { emit({0x66, 0x48, 0x0F, 0x7E, 0xC1 | xmm << 3}); }  // movq rcx, xmm
  void bitsFromRax(int xmm) { emit({0x66, 0x48, 0x0F, 0x6E, 0xC0 | xmm << 3}); }  // movq xmm, rax

  void load64(int gpr, Mem m) {  // mov r64, [m]
    emit({0x48, 0x8B});
    modrm(gpr, m);
  }
  void store64(Mem m, int gpr) {  // mov [m], r64
    emit({0x48, 0x89});
    modrm(gpr, m);
  }
  void loadByte(int gpr, Mem m) {  // movzx r32, byte [m]
    emit({0x0F, 0xB6});
    modrm(gpr, m);
  }

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
  // The code with every displacement filled in; empty where a label used
  // was never bound.
  std::vector<std::uint8_t> finish() {
    for (const auto& [at, label, addend] : fixups_) {
      if (labels_[static_cast<std::size_t>(label)] < 0) return {};
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

}  // namespace zorvan::vbs::x64
