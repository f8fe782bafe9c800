#pragma once
// The fast path of purely numeric expressions: a subtree made of numbers,
// variables, + - * / ^, unary minus, math functions and (at its root) one
// comparison is also compiled to a small program over doubles. A run tries
// the program first; whenever a value is not a number of the kinds it
// handles, or a result would fail, it falls back to the full tree, which
// then gives VBScript's exact kinds and errors. Neither has side effects,
// so trying one and then the other is safe.

#include <memory>

#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

// A number on the fast path: a double, and whether it stands for a whole
// number (Integer, Long, Boolean or Empty) whose kind only the full tree knows.
struct Num {
  double v;
  int kind;  // kReal, kWhole or kFailed
};
inline constexpr int kReal = 0, kWhole = 1, kFailed = 2;

inline constexpr int kEmptyReg = 3;  // a register never assigned: 0 in arithmetic, Empty as a result

// Where numbers are read from: a frame's slots, or the registers of a
// procedure that runs wholly on the fast path.
struct NumFrame {
  const Frame* frame;
  Num* regs;
};

struct NumNode {
  virtual ~NumNode() = default;
  virtual Num eval(const NumFrame& f) const = 0;
};
using NumPtr = std::unique_ptr<NumNode>;

class NumericProgram {
 public:
  // Compiles e; false if e is not of the numeric kind. With registers, the
  // procedure's variables are read from registers instead of its frame.
  bool compile(const Expr& e, bool registers = false, bool comparisonAllowed = true);
  NumPtr release() { return std::move(root_); }
  // True with the result in out; false where the full tree must decide.
  bool run(const Frame& f, double& out) const {
    const Num n = root_->eval(NumFrame{&f, nullptr});
    out = n.v;
    return n.kind == kReal;
  }
  bool isComparison() const { return comparison_; }
  bool worthwhile() const { return operations_ > 0; }

 private:
  NumPtr build(const Expr& e, bool root);
  bool registers_ = false;
  NumPtr root_;
  int operations_ = 0;
  bool comparison_ = false;
};

struct FastExpr final : Expr {
  FastExpr(NumericProgram p, ExprPtr f) : program(std::move(p)), full(std::move(f)) {}
  Value eval(Frame& f) const override {
    double d;
    if (program.run(f, d)) return program.isComparison() ? Value::boolean(d != 0) : Value(d);
    return full->eval(f);
  }
  NumericProgram program;
  ExprPtr full;
};

// Gives every numeric subtree of the block its fast path.
void addFastPaths(Block& block);

}  // namespace zorvan::vbs
