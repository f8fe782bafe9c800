#pragma once
// The node kinds of the compiled tree.

#include <utility>

#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

using BinaryFn = Value (*)(const Value&, const Value&);

// The operators as functions of two Values; comparisons give a Boolean.
namespace op {
inline Value add(const Value& a, const Value& b) { return zorvan::add(a, b); }
inline Value sub(const Value& a, const Value& b) { return zorvan::sub(a, b); }
inline Value mul(const Value& a, const Value& b) { return zorvan::mul(a, b); }
inline Value div(const Value& a, const Value& b) {
  if (a.isDouble() && b.isDouble() && b.rawDouble() != 0)
    return Value(detail::checked(a.rawDouble() / b.rawDouble()));
  return zorvan::div(a, b);
}
Value intDiv(const Value& a, const Value& b);
Value mod(const Value& a, const Value& b);
Value pow(const Value& a, const Value& b);
Value concat(const Value& a, const Value& b);
Value logicalAnd(const Value& a, const Value& b);
Value logicalOr(const Value& a, const Value& b);
Value logicalXor(const Value& a, const Value& b);
Value logicalEqv(const Value& a, const Value& b);
Value logicalImp(const Value& a, const Value& b);

template <class Pred>
inline Value comparison(const Value& a, const Value& b, Pred pred) {
  if (a.isDouble() && b.isDouble()) {
    const double x = a.rawDouble(), y = b.rawDouble();
    return Value::boolean(pred(x < y ? -1 : (x > y ? 1 : 0)));
  }
  if (a.isNull() || b.isNull()) return Value::null();
  return Value::boolean(pred(compare(a, b)));
}
inline Value eq(const Value& a, const Value& b) { return comparison(a, b, [](int c) { return c == 0; }); }
inline Value ne(const Value& a, const Value& b) { return comparison(a, b, [](int c) { return c != 0; }); }
inline Value lt(const Value& a, const Value& b) { return comparison(a, b, [](int c) { return c < 0; }); }
inline Value gt(const Value& a, const Value& b) { return comparison(a, b, [](int c) { return c > 0; }); }
inline Value le(const Value& a, const Value& b) { return comparison(a, b, [](int c) { return c <= 0; }); }
inline Value ge(const Value& a, const Value& b) { return comparison(a, b, [](int c) { return c >= 0; }); }
inline Value same(const Value& a, const Value& b) { return sameObject(a, b); }
}  // namespace op

// Reading and writing a bound name.
Value readName(const Name& n, Frame& f);
void assignName(const Name& n, Frame& f, Value v);

inline Value readVariable(const Name& n, Frame& f) {
  if (n.binding == Binding::Local) return *f.slots[n.index].ref;
  return readName(n, f);
}

struct LiteralExpr final : Expr {
  explicit LiteralExpr(Value v) : value(std::move(v)) {}
  Value eval(Frame&) const override { return value; }
  const Value* peek(Frame&) const override { return &value; }
  Value value;
};

struct VarExpr final : Expr {
  Value eval(Frame& f) const override { return readVariable(name, f); }
  Value* place(Frame& f) const override;
  const Value* peek(Frame& f) const override;
  Name name;
};

// Literals and names can be read in place.
inline bool isLeaf(const Expr* e) {
  return dynamic_cast<const LiteralExpr*>(e) != nullptr || dynamic_cast<const VarExpr*>(e) != nullptr;
}

// A variable in parentheses is passed by value.
struct ParenExpr final : Expr {
  explicit ParenExpr(ExprPtr e) : inner(std::move(e)) {}
  Value eval(Frame& f) const override { return inner->eval(f); }
  void visitChildren(const ExprVisitor& v) override { v(inner); }
  ExprPtr inner;
};

struct CallExpr final : Expr {
  Value eval(Frame& f) const override;
  void visitChildren(const ExprVisitor& v) override {
    for (auto& a : args) v(a);
  }
  Name name;
  ExprList args;
};

template <BinaryFn Op>
struct BinaryExpr final : Expr {
  BinaryExpr(ExprPtr l, ExprPtr r)
      : lhs(std::move(l)), rhs(std::move(r)), lhsLeaf(isLeaf(lhs.get())), rhsLeaf(isLeaf(rhs.get())) {}
  Value eval(Frame& f) const override {
    if (const Value* a = lhsLeaf ? lhs->peek(f) : nullptr) {
      if (const Value* b = rhsLeaf ? rhs->peek(f) : nullptr) return Op(*a, *b);
      const Value left = *a;  // the right operand may change the variable
      const Value right = rhs->eval(f);
      return Op(left, right);
    }
    const Value left = lhs->eval(f);
    if (const Value* b = rhsLeaf ? rhs->peek(f) : nullptr) return Op(left, *b);
    const Value right = rhs->eval(f);
    return Op(left, right);
  }
  void visitChildren(const ExprVisitor& v) override {
    v(lhs);
    v(rhs);
  }
  ExprPtr lhs, rhs;
  bool lhsLeaf, rhsLeaf;
};

// A long run of operators of one precedence, evaluated left to right without
// recursion, so that a line of thousands of terms cannot exhaust the stack.
struct ChainExpr final : Expr {
  Value eval(Frame& f) const override {
    Value acc = first->eval(f);
    for (const auto& [fn, e] : rest) {
      const Value b = e->eval(f);
      acc = fn(acc, b);
    }
    return acc;
  }
  void visitChildren(const ExprVisitor& v) override {
    v(first);
    for (auto& [fn, e] : rest) v(e);
  }
  ExprPtr first;
  std::vector<std::pair<BinaryFn, ExprPtr>> rest;
};

struct NegExpr final : Expr {
  explicit NegExpr(ExprPtr e) : operand(std::move(e)) {}
  Value eval(Frame& f) const override {
    const Value a = operand->eval(f);
    if (a.isDouble()) return Value(-a.rawDouble());
    return negate(a);
  }
  void visitChildren(const ExprVisitor& v) override { v(operand); }
  ExprPtr operand;
};

struct NotExpr final : Expr {
  explicit NotExpr(ExprPtr e) : operand(std::move(e)) {}
  Value eval(Frame& f) const override { return logicalNot(operand->eval(f)); }
  void visitChildren(const ExprVisitor& v) override { v(operand); }
  ExprPtr operand;
};

// A condition: Null counts as False.
inline bool truth(const Value& v) {
  if (v.type() == VType::Boolean) return v.rawWhole() != 0;
  if (v.isNull()) return false;
  return v.toBoolean();
}

// Set takes objects only; a plain assignment takes anything else.
inline void checkAssigned(const Value& v, bool setsObject) {
  if (v.isObject() != setsObject) raise(setsObject ? err::ObjectRequired : err::ObjectNotSet);
}

struct AssignStmt final : Stmt {
  Flow exec(Frame& f) const override {
    if (target.binding == Binding::Local && valueIsLeaf) {
      if (const Value* p = value->peek(f)) {
        checkAssigned(*p, setsObject);
        *f.slots[target.index].ref = *p;  // a copy of a variable or constant, without a temporary
        return Flow::Normal;
      }
    }
    Value v = value->eval(f);
    checkAssigned(v, setsObject);
    if (target.binding == Binding::Local) *f.slots[target.index].ref = std::move(v);
    else assignName(target, f, std::move(v));
    return Flow::Normal;
  }
  void visitExpressions(const ExprVisitor& v) override { v(value); }
  Name target;
  ExprPtr value;
  bool valueIsLeaf = false;  // a literal or name: the fast-path pass never replaces one
  bool setsObject = false;   // Set name = ...
};

struct ExprStmt final : Stmt {
  explicit ExprStmt(ExprPtr e) : expr(std::move(e)) {}
  Flow exec(Frame& f) const override {
    expr->eval(f);
    return Flow::Normal;
  }
  void visitExpressions(const ExprVisitor& v) override { v(expr); }
  ExprPtr expr;
};

// An If condition; under On Error Resume Next one that fails counts as true,
// since the run resumes with the next statement, the first of the arm.
bool conditionResumingNext(const Expr& cond, Frame& f);

struct IfStmt final : Stmt {
  Flow exec(Frame& f) const override {
    for (const auto& [cond, body] : arms)
      if (f.resumeNext ? conditionResumingNext(*cond, f) : truth(cond->eval(f))) return runBlock(body, f);
    return runBlock(otherwise, f);
  }
  void visitExpressions(const ExprVisitor& v) override;
  std::vector<std::pair<ExprPtr, Block>> arms;
  Block otherwise;
};

void visitBlock(Block& b, const ExprVisitor& v);

struct ForStmt final : Stmt {
  Flow exec(Frame& f) const override;
  void visitExpressions(const ExprVisitor& v) override;
  Name counter;
  ExprPtr from, to, step;
  Block body;
};

struct DoStmt final : Stmt {
  enum class Test : std::uint8_t { None, While, Until };
  Flow exec(Frame& f) const override;
  void visitExpressions(const ExprVisitor& v) override;
  Test preTest = Test::None, postTest = Test::None;
  ExprPtr pre, post;
  Block body;
};

struct SelectStmt final : Stmt {
  struct Case {
    ExprList values;
    Block body;
  };
  Flow exec(Frame& f) const override;
  void visitExpressions(const ExprVisitor& v) override;
  ExprPtr subject;
  std::vector<Case> cases;
  Block otherwise;
};

struct ExitStmt final : Stmt {
  explicit ExitStmt(Flow f) : flow(f) {}
  Flow exec(Frame&) const override { return flow; }
  Flow flow;
};

}  // namespace zorvan::vbs
