#include "eval/vbscript/numeric.h"

#include <cmath>
#include <memory>

#include "eval/vbscript/nodes.h"

namespace zorvan::vbs {

namespace {

bool numericConstant(const Value& v, double& d, bool& whole) {
  switch (v.type()) {
    case VType::Integer:
    case VType::Long:
      d = v.rawWhole();
      whole = true;
      return true;
    case VType::Double:
      d = v.rawDouble();
      whole = false;
      return true;
    default:
      return false;
  }
}

template <BinaryFn Op>
bool isBinary(const Expr& e, const Expr*& lhs, const Expr*& rhs) {
  if (auto* b = dynamic_cast<const BinaryExpr<Op>*>(&e)) {
    lhs = b->lhs.get();
    rhs = b->rhs.get();
    return true;
  }
  return false;
}

constexpr Num kFail{0, kFailed};

Num load(const Value& v) {
  if (v.isDouble()) return {v.rawDouble(), kReal};
  if (v.isWhole()) return {static_cast<double>(v.rawWhole()), kWhole};
  return kFail;
}

Num real(double r) { return std::isfinite(r) ? Num{r, kReal} : kFail; }

struct ConstNode final : NumNode {
  explicit ConstNode(Num n) : n(n) {}
  Num eval(const NumFrame&) const override { return n; }
  Num n;
};

struct LocalNode final : NumNode {
  explicit LocalNode(int i) : index(i) {}
  Num eval(const NumFrame& f) const override { return load(*f.frame->slots[index].ref); }
  int index;
};

struct RegisterNode final : NumNode {
  explicit RegisterNode(int i) : index(i) {}
  Num eval(const NumFrame& f) const override {
    Num r = f.regs[index];
    if (r.kind == kEmptyReg) r.kind = kWhole;
    return r;
  }
  int index;
};

struct GlobalNode final : NumNode {
  explicit GlobalNode(int i) : index(static_cast<std::size_t>(i)) {}
  Num eval(const NumFrame& f) const override { return load(f.frame->rt->globals[index]); }
  std::size_t index;
};

struct NegNode final : NumNode {
  explicit NegNode(NumPtr c) : child(std::move(c)) {}
  Num eval(const NumFrame& f) const override {
    Num a = child->eval(f);
    a.v = -a.v;
    return a;
  }
  NumPtr child;
};

struct MathNode final : NumNode {
  MathNode(const Builtin* b, NumPtr c) : fn(b->kernel), keepsKind(b->keepsKind), child(std::move(c)) {}
  Num eval(const NumFrame& f) const override {
    const Num a = child->eval(f);
    // Abs, Int and Fix keep a whole number whole: the full tree gives its kind.
    if (a.kind == kFailed || (keepsKind && a.kind == kWhole)) return kFail;
    return real(fn(a.v));
  }
  double (*fn)(double);
  bool keepsKind;
  NumPtr child;
};

enum class BinOp { Add, Sub, Mul, Div, Pow, Lt, Le, Gt, Ge, Eq, Ne };

template <BinOp Op>
struct BinNode final : NumNode {
  BinNode(NumPtr l, NumPtr r) : lhs(std::move(l)), rhs(std::move(r)) {}
  Num eval(const NumFrame& f) const override {
    const Num a = lhs->eval(f);
    if (a.kind == kFailed) return kFail;
    const Num b = rhs->eval(f);
    if (b.kind == kFailed) return kFail;
    if constexpr (Op == BinOp::Add || Op == BinOp::Sub || Op == BinOp::Mul) {
      // Two whole numbers make a whole number of a kind only the full tree knows.
      if (a.kind == kWhole && b.kind == kWhole) return kFail;
      if constexpr (Op == BinOp::Add) return real(a.v + b.v);
      if constexpr (Op == BinOp::Sub) return real(a.v - b.v);
      if constexpr (Op == BinOp::Mul) return real(a.v * b.v);
    } else if constexpr (Op == BinOp::Div) {
      return b.v == 0 ? kFail : real(a.v / b.v);
    } else if constexpr (Op == BinOp::Pow) {
      return real(std::pow(a.v, b.v));
    } else if constexpr (Op == BinOp::Lt) {
      return {a.v < b.v ? 1.0 : 0.0, kReal};
    } else if constexpr (Op == BinOp::Le) {
      return {a.v <= b.v ? 1.0 : 0.0, kReal};
    } else if constexpr (Op == BinOp::Gt) {
      return {a.v > b.v ? 1.0 : 0.0, kReal};
    } else if constexpr (Op == BinOp::Ge) {
      return {a.v >= b.v ? 1.0 : 0.0, kReal};
    } else if constexpr (Op == BinOp::Eq) {
      return {a.v == b.v ? 1.0 : 0.0, kReal};
    } else {
      return {a.v != b.v ? 1.0 : 0.0, kReal};
    }
  }
  NumPtr lhs, rhs;
};

template <BinOp Op>
NumPtr binary(NumPtr l, NumPtr r) {
  return std::make_unique<BinNode<Op>>(std::move(l), std::move(r));
}

void optimize(ExprPtr& e) {
  NumericProgram p;
  if (p.compile(*e) && p.worthwhile()) {
    e = std::make_unique<FastExpr>(std::move(p), std::move(e));
    return;
  }
  e->visitChildren(optimize);
}

}  // namespace

bool NumericProgram::compile(const Expr& e, bool registers, bool comparisonAllowed) {
  operations_ = 0;
  comparison_ = false;
  registers_ = registers;
  root_ = build(e, comparisonAllowed);
  return root_ != nullptr;
}

NumPtr NumericProgram::build(const Expr& e, bool root) {
  if (auto* lit = dynamic_cast<const LiteralExpr*>(&e)) {
    Num n;
    bool whole;
    if (!numericConstant(lit->value, n.v, whole)) return nullptr;
    n.kind = whole ? kWhole : kReal;
    return std::make_unique<ConstNode>(n);
  }
  if (auto* var = dynamic_cast<const VarExpr*>(&e)) {
    const Name& n = var->name;
    if (n.binding == Binding::Local && registers_) return std::make_unique<RegisterNode>(n.index);
    if (n.binding == Binding::Local) return std::make_unique<LocalNode>(n.index);
    if (n.binding == Binding::Global) return std::make_unique<GlobalNode>(n.index);
    Num c;
    bool whole;
    if (n.binding != Binding::Constant || !numericConstant(n.constant, c.v, whole)) return nullptr;
    c.kind = whole ? kWhole : kReal;
    return std::make_unique<ConstNode>(c);
  }
  if (auto* paren = dynamic_cast<const ParenExpr*>(&e)) return build(*paren->inner, root);
  if (auto* fast = dynamic_cast<const FastExpr*>(&e)) return build(*fast->full, root);
  if (auto* neg = dynamic_cast<const NegExpr*>(&e)) {
    NumPtr child = build(*neg->operand, false);
    if (!child) return nullptr;
    ++operations_;
    return std::make_unique<NegNode>(std::move(child));
  }
  if (auto* call = dynamic_cast<const CallExpr*>(&e)) {
    const Name& n = call->name;
    if (n.binding != Binding::Builtin || n.builtin->kernel == nullptr || call->args.size() != 1) return nullptr;
    NumPtr child = build(*call->args[0], false);
    if (!child) return nullptr;
    ++operations_;
    return std::make_unique<MathNode>(n.builtin, std::move(child));
  }
  const Expr *l = nullptr, *r = nullptr;
  NumPtr (*make)(NumPtr, NumPtr) = nullptr;
  bool comparison = false;
  if (isBinary<op::add>(e, l, r)) make = binary<BinOp::Add>;
  else if (isBinary<op::sub>(e, l, r)) make = binary<BinOp::Sub>;
  else if (isBinary<op::mul>(e, l, r)) make = binary<BinOp::Mul>;
  else if (isBinary<op::div>(e, l, r)) make = binary<BinOp::Div>;
  else if (isBinary<op::pow>(e, l, r)) make = binary<BinOp::Pow>;
  else if (root) {
    comparison = true;
    if (isBinary<op::lt>(e, l, r)) make = binary<BinOp::Lt>;
    else if (isBinary<op::le>(e, l, r)) make = binary<BinOp::Le>;
    else if (isBinary<op::gt>(e, l, r)) make = binary<BinOp::Gt>;
    else if (isBinary<op::ge>(e, l, r)) make = binary<BinOp::Ge>;
    else if (isBinary<op::eq>(e, l, r)) make = binary<BinOp::Eq>;
    else if (isBinary<op::ne>(e, l, r)) make = binary<BinOp::Ne>;
  }
  if (make == nullptr) return nullptr;
  NumPtr a = build(*l, false);
  if (!a) return nullptr;
  NumPtr b = build(*r, false);
  if (!b) return nullptr;
  ++operations_;
  comparison_ = comparison;
  return make(std::move(a), std::move(b));
}

void addFastPaths(Block& block) {
  for (auto& s : block) s->visitExpressions(optimize);
}

}  // namespace zorvan::vbs
