#include "eval/vbscript/bytecode/compiler.h"

#include <algorithm>

#include "eval/vbscript/builtins/builtins.h"
#include "eval/vbscript/front/syntax_tree.h"
#include "common/stack_room.h"

namespace zorvan::vbs {

std::int32_t Code::resumeAt(std::int32_t pc) const {
  const ResumeRange* best = nullptr;
  for (const ResumeRange& r : resume)
    if (r.begin <= pc && pc < r.end &&
        (best == nullptr || r.begin > best->begin || (r.begin == best->begin && r.end < best->end)))
      best = &r;
  return best != nullptr ? best->resumeAt : pc + 1;
}

void Code::place(ScriptError& e, std::int32_t pc) const {
  if (e.line != 0 || e.number == err::TimedOut || e.number == err::Interrupted) return;
  const StatementPlace* best = nullptr;
  for (const StatementPlace& p : places)
    if (p.begin <= pc && pc < p.end && (best == nullptr || p.end - p.begin < best->end - best->begin)) best = &p;
  if (best != nullptr) e.line = best->line, e.column = best->column;
}

namespace {

constexpr std::int32_t constantOperand(std::int32_t index) { return ~index; }

// A literal or constant that the numeric superinstructions can take.
bool numericConstant(const Value& v, double& d) {
  switch (v.type()) {
    case VType::Integer:
    case VType::Long:
      d = v.rawWhole();
      return true;
    case VType::Double:
      d = v.rawDouble();
      return true;
    default:
      return false;
  }
}

const Value* constantOf(const Expr& e) {
  if (auto* lit = as<LiteralExpr>(e)) return &lit->value;
  if (auto* var = as<VarExpr>(e); var && var->name.binding == Binding::Constant)
    return &var->name.constant;
  return nullptr;
}

bool isScriptText(const Name& n) {
  if (n.binding != Binding::Builtin) return false;
  const Special s = n.builtin->special;
  return s == Special::Eval || s == Special::Execute || s == Special::ExecuteGlobal;
}

// Whether a call of n may run script code, which can change any variable it
// reaches: a procedure, one bound when the call runs, or Eval's or Execute's text.
bool runsScript(const Name& n) {
  return n.binding == Binding::Procedure || n.binding == Binding::Unknown || isScriptText(n);
}

// Whether evaluating e may run script code of its own.
bool mayCallProcedure(const Expr& e) {
  const auto any = [](const ExprList& list) {
    return std::any_of(list.begin(), list.end(), [](const ExprPtr& a) { return mayCallProcedure(*a); });
  };
  switch (e.kind) {
    case ExprKind::Var: return runsScript(static_cast<const VarExpr&>(e).name);
    case ExprKind::Call: {
      const auto& c = static_cast<const CallExpr&>(e);
      return runsScript(c.name) || any(c.args);
    }
    case ExprKind::Paren: return mayCallProcedure(*static_cast<const ParenExpr&>(e).inner);
    case ExprKind::Index: {
      const auto& ix = static_cast<const IndexExpr&>(e);
      return mayCallProcedure(*ix.base) || any(ix.subscripts);
    }
    case ExprKind::Binary: {
      const auto& b = static_cast<const BinaryExpr&>(e);
      return mayCallProcedure(*b.lhs) || mayCallProcedure(*b.rhs);
    }
    case ExprKind::Chain: {
      const auto& ch = static_cast<const ChainExpr&>(e);
      return mayCallProcedure(*ch.first) ||
             std::any_of(ch.rest.begin(), ch.rest.end(), [](const auto& r) { return mayCallProcedure(*r.second); });
    }
    case ExprKind::Neg: return mayCallProcedure(*static_cast<const NegExpr&>(e).operand);
    case ExprKind::Not: return mayCallProcedure(*static_cast<const NotExpr&>(e).operand);
    case ExprKind::Missing: case ExprKind::Literal: case ExprKind::ErrProperty: return false;
  }
  return false;
}

// Whether e can never give an object, so that it may be computed straight
// into the variable it is assigned to.
bool neverObject(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Paren: return neverObject(*static_cast<const ParenExpr&>(e).inner);
    case ExprKind::Call: {
      // Eval's text may give an object.
      const Name& n = static_cast<const CallExpr&>(e).name;
      return n.binding == Binding::Builtin && n.builtin->special != Special::Eval;
    }
    case ExprKind::Binary: case ExprKind::Chain: case ExprKind::Neg: case ExprKind::Not: case ExprKind::ErrProperty:
      return true;
    case ExprKind::Missing: case ExprKind::Literal: case ExprKind::Var: case ExprKind::Index: return false;
  }
  return false;
}

class Compiler {
 public:
  Compiler(Code& code, int variables, bool fast) : code_(code), variables_(variables), top_(variables), fast_(fast) {
    code_.fast = fast;
  }

  void finish() {
    // A body that ends by assigning a variable, as UserFN = MyFunction ends
    // each call, returns with that assignment: one dispatch less per call.
    // The Return after it stays for the jumps and resumes that reach it.
    if (fast_ && !code_.ins.empty() && code_.ins.back().op == Op::Assign) code_.ins.back().op = Op::AssignReturn;
    emit(make(Op::Return));
    code_.registers = std::max(maxTop_, variables_);
  }

  void block(const Block& b) {
    for (const auto& s : b) statement(*s);
  }

  // The declared arrays exist before the first statement runs.
  void declareArrays(const std::vector<ArrayDecl>& arrays) {
    for (const ArrayDecl& d : arrays) {
      Ins in = make(Op::NewArray, d.place, static_cast<std::int32_t>(code_.shapes.size()));
      in.flag = d.sized;
      code_.shapes.push_back(d.upper);
      emit(in);
    }
  }

 private:
  // ---- emitting
  std::int32_t pc() const { return static_cast<std::int32_t>(code_.ins.size()); }
  std::int32_t emit(Ins in) {
    code_.ins.push_back(in);
    return pc() - 1;
  }
  Ins make(Op op, std::int32_t a = 0, std::int32_t b = 0, std::int32_t c = 0) {
    Ins in;
    in.op = op;
    in.a = a;
    in.b = b;
    in.c = c;
    return in;
  }
  void patchA(std::int32_t at) { code_.ins[static_cast<std::size_t>(at)].a = pc(); }
  void patchC(std::int32_t at) { code_.ins[static_cast<std::size_t>(at)].c = pc(); }

  std::int32_t constant(const Value& v) {
    code_.constants.push_back(v);
    return constantOperand(static_cast<std::int32_t>(code_.constants.size()) - 1);
  }
  std::int32_t text(const std::string& t) {
    code_.texts.push_back(t);
    return static_cast<std::int32_t>(code_.texts.size()) - 1;
  }

  // ---- registers
  std::int32_t temp() {
    const std::int32_t r = top_++;
    maxTop_ = std::max(maxTop_, top_);
    return r;
  }
  std::int32_t target(std::int32_t hint) { return hint >= 0 ? hint : temp(); }
  bool isVariable(std::int32_t operand) const { return operand >= 0 && operand < variables_; }

  // A failure that is only known when the code runs: it still takes a register.
  std::int32_t raiseAt(std::int32_t error, const std::string& name, std::int32_t hint) {
    emit(make(Op::Raise, error, text(name)));
    return target(hint);
  }

  // ---- expressions
  // Compiles e and gives the operand that holds its value. A computed value
  // lands in hint when hint is a register; a variable or constant is given
  // as it lies.
  std::int32_t expr(const Expr& e, std::int32_t hint = -1) {
    if (pastStackFloor(stackFloor_)) raise(err::OutOfStackSpace);
    if (const Value* c = constantOf(e)) return constant(*c);
    switch (e.kind) {
      case ExprKind::Literal:  // constantOf took it
        break;
      case ExprKind::Var: return variable(static_cast<const VarExpr&>(e).name, hint);
      case ExprKind::Paren: return expr(*static_cast<const ParenExpr&>(e).inner, hint);
      case ExprKind::Call: {
        const auto& c = static_cast<const CallExpr&>(e);
        return call(c.name, c.args, hint);
      }
      case ExprKind::Index: return indexValue(static_cast<const IndexExpr&>(e), hint);
      case ExprKind::Binary: {
        const auto& b = static_cast<const BinaryExpr&>(e);
        return binary(b.op, *b.lhs, *b.rhs, hint);
      }
      case ExprKind::Chain: return chain(static_cast<const ChainExpr&>(e), hint);
      case ExprKind::Neg: return unaryOp(Op::Neg, *static_cast<const NegExpr&>(e).operand, hint);
      case ExprKind::Not: return unaryOp(Op::Not, *static_cast<const NotExpr&>(e).operand, hint);
      case ExprKind::Missing:
        // An argument left out where the callee needs it: VBScript's error when it runs.
        emit(make(Op::Raise, err::ArgumentNotOptional, -1));
        return target(hint);
      case ExprKind::ErrProperty: {
        const std::int32_t dst = target(hint);
        emit(make(Op::ErrProperty, dst, static_cast<std::int32_t>(static_cast<const ErrPropertyExpr&>(e).property)));
        return dst;
      }
    }
    raise(err::SyntaxError);
  }

  // e's value in register r.
  void exprInto(const Expr& e, std::int32_t r) {
    const std::int32_t v = expr(e, r);
    if (v != r) emit(make(Op::Move, r, v));
  }

  std::int32_t variable(const Name& n, std::int32_t hint) {
    static const ExprList kNoArgs;
    switch (n.binding) {
      case Binding::Local:
        return n.index;
      case Binding::Global: {
        const std::int32_t dst = target(hint);
        emit(make(Op::GetGlobal, dst, n.index));
        return dst;
      }
      case Binding::Procedure:
      case Binding::Builtin:
        return call(n, kNoArgs, hint);
      case Binding::Undefined:
        return raiseAt(err::VariableUndefined, n.text, hint);
      default:
        return raiseAt(err::TypeMismatch, n.text, hint);
    }
  }

  std::int32_t call(const Name& n, const ExprList& args, std::int32_t hint) {
    switch (n.binding) {
      case Binding::Procedure:
        return procedureCall(*n.procedure, *n.definition, args, hint);
      case Binding::Builtin:
        return builtinCall(*n.builtin, n, args, hint);
      case Binding::Undefined:
        return raiseAt(err::VariableUndefined, n.text, hint);
      case Binding::Local:
      case Binding::Global:
        return index(n, args, hint);
      case Binding::Unknown:
        // Declared by none of the code so far: ExecuteGlobal may declare it
        // before the call runs.
        return lateCall(n.text, args, hint);
      default:
        // A constant, or a name nothing declares, with arguments.
        return raiseAt(err::TypeMismatch, n.text, hint);
    }
  }

  // Where a variable lies for the instructions that change it in place: its
  // register, or ~ its global.
  static std::int32_t place(const Name& n) { return n.binding == Binding::Local ? n.index : ~n.index; }

  // An instruction of its result's register (a), the first of its arguments'
  // consecutive registers (b) and their count (c), to be emitted by the caller.
  Ins withArguments(Op op, const ExprList& args, std::int32_t hint) {
    const std::int32_t mark = top_;
    const std::int32_t first = consecutive(args);
    top_ = mark;
    return make(op, target(hint), first, static_cast<std::int32_t>(args.size()));
  }
  std::int32_t emitted(const Ins& in) {
    emit(in);
    return in.a;
  }

  // The values of a list in consecutive new registers; gives the first.
  std::int32_t consecutive(const ExprList& list) {
    const std::int32_t first = top_;
    for (std::size_t i = 0; i < list.size(); ++i) temp();
    for (std::size_t i = 0; i < list.size(); ++i) exprInto(*list[i], first + static_cast<std::int32_t>(i));
    return first;
  }

  std::int32_t subscripts(const std::string& name, std::size_t count) {
    return text(name) << 8 | static_cast<std::int32_t>(std::min<std::size_t>(count, 0xFF));
  }
  std::int32_t subscripts(const Name& n, std::size_t count) { return subscripts(n.text, count); }

  // An element of the array at a place (a register, or ~ a global), named
  // for its errors; the registers from mark on are free once it is read.
  std::int32_t element(std::int32_t at, const std::string& name, const ExprList& subs, std::int32_t mark,
                       std::int32_t hint) {
    const std::int32_t first = consecutive(subs);
    top_ = mark;
    Ins in = make(Op::Index, target(hint), at, first);
    in.n = subscripts(name, subs.size());
    emit(in);
    return in.a;
  }

  // An element of the array an expression gives.
  std::int32_t indexValue(const IndexExpr& e, std::int32_t hint) {
    const std::int32_t mark = top_;
    const std::int32_t base = temp();
    exprInto(*e.base, base);
    return element(base, e.name, e.subscripts, mark, hint);
  }

  // An element of the array a variable holds.
  std::int32_t index(const Name& n, const ExprList& subs, std::int32_t hint) {
    return element(place(n), n.text, subs, top_, hint);
  }

  std::int32_t builtinCall(const Builtin& b, const Name& n, const ExprList& args, std::int32_t hint) {
    // Array takes any number of elements.
    if (b.special == Special::Array) return emitted(withArguments(Op::MakeArray, args, hint));
    if (args.size() < b.minArgs || args.size() > b.maxArgs) return raiseAt(err::WrongArguments, n.text, hint);
    if (isScriptText(n)) {
      Ins in = withArguments(Op::ScriptText, args, hint);
      in.c = static_cast<std::int32_t>(b.special);
      return emitted(in);
    }
    if (b.unary != nullptr) {
      const std::int32_t mark = top_;
      const std::int32_t arg = expr(*args[0]);
      top_ = mark;
      Ins in = make(b.kernel != nullptr && fast_ ? Op::Math : Op::Unary, target(hint), arg);
      in.builtin = &b;
      return emitted(in);
    }
    Ins in = withArguments(Op::CallBuiltin, args, hint);
    in.builtin = &b;
    return emitted(in);
  }

  // A call of the procedure of that name found when the call runs: a
  // variable passed goes by reference where the procedure then takes it so.
  std::int32_t lateCall(const std::string& name, const ExprList& args, std::int32_t hint) {
    const std::int32_t mark = top_;
    CallSite site{nullptr, {}};
    for (const ExprPtr& arg : args) {
      const auto* var = as<VarExpr>(*arg);
      if (var != nullptr && var->name.binding == Binding::Local) {
        site.args.push_back({CallArg::Kind::Local, var->name.index});
      } else if (var != nullptr && var->name.binding == Binding::Global) {
        site.args.push_back({CallArg::Kind::Global, var->name.index});
      } else {
        const std::int32_t r = temp();
        exprInto(*arg, r);
        site.args.push_back({CallArg::Kind::Value, r});
      }
    }
    code_.calls.push_back(std::move(site));
    top_ = mark;
    Ins in = make(Op::LateCall, target(hint), 0, static_cast<std::int32_t>(code_.calls.size()) - 1);
    in.n = text(name);
    return emitted(in);
  }

  std::int32_t procedureCall(const Procedure& callee, const Procedure& p, const ExprList& args, std::int32_t hint) {
    // Arguments that do not fit the declaration may fit one that ExecuteGlobal
    // makes before the call runs; if not, the call fails then.
    if (args.size() != p.params.size()) return lateCall(p.name, args, hint);
    const std::int32_t mark = top_;
    CallSite site{&callee, {}};
    // An array element passed by reference goes in as a temporary that is
    // stored back into the element once the call returns.
    std::vector<Ins> writeBacks;
    for (std::size_t i = 0; i < args.size(); ++i) {
      const auto* var = as<VarExpr>(*args[i]);
      const auto* element = as<CallExpr>(*args[i]);
      if (element != nullptr && !isVariableName(element->name)) element = nullptr;
      if (p.params[i].byRef && var != nullptr && var->name.binding == Binding::Local) {
        site.args.push_back({CallArg::Kind::Local, var->name.index});
      } else if (p.params[i].byRef && var != nullptr && var->name.binding == Binding::Global) {
        site.args.push_back({CallArg::Kind::Global, var->name.index});
      } else if (p.params[i].byRef && element != nullptr) {
        const std::int32_t subscripts = consecutive(element->args);
        const std::int32_t r = temp();
        Ins in = make(Op::Index, r, place(element->name), subscripts);
        in.n = this->subscripts(element->name, element->args.size());
        emit(in);
        site.args.push_back({CallArg::Kind::Local, r});
        Ins back = make(Op::SetIndex, place(element->name), subscripts, r);
        back.n = in.n;
        writeBacks.push_back(back);
      } else {
        const std::int32_t r = temp();
        exprInto(*args[i], r);
        site.args.push_back({CallArg::Kind::Value, r});
      }
    }
    code_.calls.push_back(std::move(site));
    const std::int32_t callSite = static_cast<std::int32_t>(code_.calls.size()) - 1;
    if (writeBacks.empty()) {
      top_ = mark;
      const std::int32_t dst = target(hint);
      emit(make(Op::CallProc, dst, 0, callSite));
      return dst;
    }
    // The result waits above the temporaries until they are stored back.
    const std::int32_t result = temp();
    emit(make(Op::CallProc, result, 0, callSite));
    for (const Ins& back : writeBacks) emit(back);
    top_ = mark;
    const std::int32_t dst = target(hint);
    emit(make(Op::Move, dst, result));
    return dst;
  }

  // The left operand, kept as it is now when the right one may change it.
  std::int32_t leftOperand(const Expr& l, const Expr& r) {
    const std::int32_t a = expr(l);
    if (!isVariable(a) || !mayCallProcedure(r)) return a;
    const std::int32_t copy = temp();
    emit(make(Op::Move, copy, a));
    return copy;
  }

  std::int32_t binary(BinOp op, const Expr& l, const Expr& r, std::int32_t hint) {
    const std::int32_t mark = top_;
    const std::int32_t a = leftOperand(l, r);
    const std::int32_t b = expr(r);
    top_ = mark;
    return binaryInstruction(op, a, b, constantOf(l), constantOf(r), hint);
  }

  std::int32_t binaryInstruction(BinOp op, std::int32_t a, std::int32_t b, const Value* ka, const Value* kb,
                                 std::int32_t hint) {
    const std::int32_t dst = target(hint);
    static constexpr struct {
      BinOp bop;
      Op plain, withK;
    } kArithmetic[] = {{BinOp::Add, Op::Add, Op::AddK},
                       {BinOp::Sub, Op::Sub, Op::SubK},
                       {BinOp::Mul, Op::Mul, Op::MulK},
                       {BinOp::Div, Op::Div, Op::DivK},
                       {BinOp::Pow, Op::Pow, Op::Pow}};
    for (const auto& row : kArithmetic) {
      if (row.bop != op) continue;
      double k;
      Ins in = make(row.plain, dst, a, b);
      if (fast_ && row.withK != row.plain) {
        if (kb != nullptr && numericConstant(*kb, k)) {
          in.op = row.withK;
          in.k = k;
        } else if (ka != nullptr && numericConstant(*ka, k)) {
          in = make(row.withK, dst, b, a);
          in.k = k;
          in.flag = true;
        }
      }
      emit(in);
      return dst;
    }
    Ins in = make(isComparison(op) ? Op::Compare : Op::Binary, dst, a, b);
    in.bop = op;
    emit(in);
    return dst;
  }

  std::int32_t chain(const ChainExpr& ch, std::int32_t hint) {
    const std::int32_t acc = temp();
    exprInto(*ch.first, acc);
    for (const auto& [op, e] : ch.rest) {
      const std::int32_t mark = top_;
      const std::int32_t b = expr(*e);
      top_ = mark;
      binaryInstruction(op, acc, b, nullptr, constantOf(*e), acc);
    }
    if (hint < 0) return acc;
    emit(make(Op::Move, hint, acc));
    return hint;
  }

  std::int32_t unaryOp(Op op, const Expr& operand, std::int32_t hint) {
    const std::int32_t mark = top_;
    const std::int32_t a = expr(operand);
    top_ = mark;
    const std::int32_t dst = target(hint);
    emit(make(op, dst, a));
    return dst;
  }

  // A comparison with a number known when compiled, as x < 0 or Case 1,
  // compares a Double with it directly.
  static void numericBranch(Ins& in, const Value* constant) {
    if (constant != nullptr && numericConstant(*constant, in.k)) in.op = Op::BranchK;
  }

  // Jumps when cond taken as a condition is `when`; gives the jump to patch.
  std::int32_t branch(const Expr& cond, bool when) {
    const std::int32_t mark = top_;
    const Expr* inner = &cond;
    while (auto* p = as<ParenExpr>(*inner)) inner = p->inner.get();
    if (auto* b = as<BinaryExpr>(*inner); b && isComparison(b->op) && fast_) {
      const std::int32_t lhs = leftOperand(*b->lhs, *b->rhs);
      const std::int32_t rhs = expr(*b->rhs);
      top_ = mark;
      Ins in = make(Op::Branch, 0, lhs, rhs);
      in.bop = b->op;
      in.flag = when;
      numericBranch(in, constantOf(*b->rhs));
      return emit(in);
    }
    const std::int32_t v = expr(cond);
    top_ = mark;
    Ins in = make(Op::JumpIf, 0, v);
    in.flag = when;
    return emit(in);
  }

  // ---- statements
  void statement(const Stmt& s) {
    const std::int32_t begin = pc();
    const std::int32_t mark = top_;
    compileStatement(s);
    top_ = mark;
    code_.resume.push_back({begin, pc(), pc()});
    if (s.line > 0) code_.places.push_back({begin, pc(), s.line, s.column});
  }

  void compileStatement(const Stmt& s) {
    switch (s.kind) {
      case StmtKind::Assign: return assign(static_cast<const AssignStmt&>(s));
      case StmtKind::Expr: expr(*static_cast<const ExprStmt&>(s).expr); return;
      case StmtKind::If: return ifStatement(static_cast<const IfStmt&>(s));
      case StmtKind::For: return forStatement(static_cast<const ForStmt&>(s));
      case StmtKind::Do: return doStatement(static_cast<const DoStmt&>(s));
      case StmtKind::Select: return selectStatement(static_cast<const SelectStmt&>(s));
      case StmtKind::IndexAssign: return indexAssign(static_cast<const IndexAssignStmt&>(s));
      case StmtKind::ReDim: return redim(static_cast<const ReDimStmt&>(s));
      case StmtKind::Erase: return erase(static_cast<const EraseStmt&>(s));
      case StmtKind::ForEach: return forEachStatement(static_cast<const ForEachStmt&>(s));
      case StmtKind::Exit: {
        const ExitStmt::Kind what = static_cast<const ExitStmt&>(s).what;
        if (what == ExitStmt::Kind::Procedure) {
          // Leaving a procedure by Exit Function or Exit Sub clears Err.
          emit(make(Op::ErrClear));
          emit(make(Op::Return));
        } else {
          (what == ExitStmt::Kind::For ? forExits_ : doExits_).back().push_back(emit(make(Op::Jump)));
        }
        return;
      }
      case StmtKind::OnError: {
        Ins in = make(Op::OnError);
        in.flag = static_cast<const OnErrorStmt&>(s).resumeNext;
        emit(in);
        return;
      }
      case StmtKind::ErrClear: emit(make(Op::ErrClear)); return;
      case StmtKind::ErrRaise: return errRaise(static_cast<const ErrRaiseStmt&>(s));
      case StmtKind::ErrSet: {
        const auto& set = static_cast<const ErrSetStmt&>(s);
        const std::int32_t v = temp();
        exprInto(*set.value, v);
        emit(make(Op::ErrSet, v, static_cast<std::int32_t>(set.property)));
        return;
      }
    }
    raise(err::SyntaxError);
  }

  // Fails as assigning to n fails, when n is no variable.
  void refuseTarget(const Name& n) {
    std::int32_t error = err::IllegalAssignment;
    if (n.binding == Binding::Undefined) error = err::VariableUndefined;
    else if (n.binding == Binding::Unknown) error = err::TypeMismatch;
    emit(make(Op::Raise, error, text(n.text)));
  }

  static bool isVariableName(const Name& n) { return n.binding == Binding::Local || n.binding == Binding::Global; }

  void assign(const AssignStmt& a) {
    const Name& n = a.target;
    if (a.anyValue) return exprInto(*a.value, n.index);
    if (n.fixedArray) {
      // An array declared with its size cannot be replaced as a whole.
      expr(*a.value);
      emit(make(Op::Raise, err::TypeMismatch, text(n.text)));
      return;
    }
    if (n.binding == Binding::Local && !a.setsObject && neverObject(*a.value)) {
      const std::int32_t v = expr(*a.value, n.index);
      if (v != n.index) emit(make(Op::Move, n.index, v));
      return;
    }
    const std::int32_t v = expr(*a.value);
    Ins in = make(Op::Assign, n.index, v);
    in.flag = a.setsObject;
    switch (n.binding) {
      case Binding::Local:
        emit(in);
        return;
      case Binding::Global:
        in.op = Op::SetGlobal;
        emit(in);
        return;
      default:
        // The value is computed and checked before the name is refused.
        in.a = temp();
        emit(in);
        emit(make(Op::Raise, n.binding == Binding::Undefined ? err::VariableUndefined : err::IllegalAssignment,
                  text(n.text)));
    }
  }

  void indexAssign(const IndexAssignStmt& s) {
    const std::int32_t first = consecutive(s.subscripts);
    const std::int32_t v = expr(*s.value);
    if (!isVariableName(s.target)) return refuseTarget(s.target);
    Ins in = make(Op::SetIndex, place(s.target), first, v);
    in.n = subscripts(s.target, s.subscripts.size());
    in.flag = s.setsObject;
    emit(in);
  }

  void redim(const ReDimStmt& s) {
    for (const auto& item : s.items) {
      const std::int32_t mark = top_;
      const std::int32_t first = consecutive(item->bounds);
      top_ = mark;
      if (!isVariableName(item->target)) {
        refuseTarget(item->target);
        continue;
      }
      if (item->target.fixedArray) {
        emit(make(Op::Raise, err::ArrayLocked, -1));
        continue;
      }
      Ins in = make(Op::ReDim, place(item->target), first, static_cast<std::int32_t>(item->bounds.size()));
      in.flag = s.preserve;
      emit(in);
    }
  }

  void erase(const EraseStmt& s) {
    if (!isVariableName(s.target)) return refuseTarget(s.target);
    Ins in = make(Op::Erase, place(s.target));
    in.flag = s.target.fixedArray;
    emit(in);
  }

  void forEachStatement(const ForEachStmt& s) {
    const std::int32_t base = temp();
    temp();
    exprInto(*s.collection, base);
    loop(Op::ForEachPrep, Op::ForEachLoop, s.element, base, s.body);
  }

  // A loop's variable set by prep, which skips the loop when it is done, and
  // by step at the end of each turn.
  void loop(Op prep, Op step, const Name& variable, std::int32_t base, const Block& body) {
    std::int32_t at = 0;
    if (isVariableName(variable)) at = place(variable);
    else refuseTarget(variable);
    const std::int32_t skip = emit(make(prep, at, base));
    const std::int32_t start = pc();
    forExits_.emplace_back();
    block(body);
    emit(make(step, at, base, start));
    patchC(skip);
    for (std::int32_t j : forExits_.back()) patchA(j);
    forExits_.pop_back();
  }

  void ifStatement(const IfStmt& s) {
    std::vector<std::int32_t> ends;
    for (std::size_t i = 0; i < s.arms.size(); ++i) {
      const auto& [cond, body] = s.arms[i];
      const std::int32_t begin = pc();
      const std::int32_t skip = branch(*cond, false);
      // A condition that fails under On Error Resume Next enters its arm.
      code_.resume.push_back({begin, pc(), pc()});
      block(body);
      if (i + 1 < s.arms.size() || !s.otherwise.empty()) ends.push_back(emit(make(Op::Jump)));
      patchA(skip);
    }
    block(s.otherwise);
    for (std::int32_t j : ends) patchA(j);
  }

  void forStatement(const ForStmt& s) {
    const std::int32_t base = temp();
    temp();
    temp();
    exprInto(*s.from, base);
    emit(make(Op::ToNumber, base));
    exprInto(*s.to, base + 1);
    emit(make(Op::ToNumber, base + 1));
    if (s.step) {
      exprInto(*s.step, base + 2);
      emit(make(Op::ToNumber, base + 2));
    } else {
      emit(make(Op::Move, base + 2, constant(Value::integer(1))));
    }
    loop(Op::ForPrep, Op::ForLoop, s.counter, base, s.body);
  }

  void doStatement(const DoStmt& s) {
    doExits_.emplace_back();
    const std::int32_t top = emit(make(Op::Tick));
    if (s.preTest != DoStmt::Test::None) doExits_.back().push_back(branch(*s.pre, s.preTest == DoStmt::Test::Until));
    block(s.body);
    if (s.postTest != DoStmt::Test::None) {
      const std::int32_t again = branch(*s.post, s.postTest == DoStmt::Test::While);
      code_.ins[static_cast<std::size_t>(again)].a = top;
    } else {
      emit(make(Op::Jump, top));
    }
    for (std::int32_t j : doExits_.back()) patchA(j);
    doExits_.pop_back();
  }

  void selectStatement(const SelectStmt& s) {
    const std::int32_t subject = temp();
    exprInto(*s.subject, subject);
    std::vector<std::int32_t> ends;
    for (const auto& c : s.cases) {
      std::vector<std::int32_t> matches;
      for (const auto& v : c.values) {
        const std::int32_t mark = top_;
        const std::int32_t operand = expr(*v);
        top_ = mark;
        Ins in = make(Op::Branch, 0, subject, operand);
        in.bop = BinOp::Eq;
        in.flag = true;  // Null matches no case
        if (fast_) numericBranch(in, constantOf(*v));
        matches.push_back(emit(in));
      }
      const std::int32_t next = emit(make(Op::Jump));
      for (std::int32_t m : matches) patchA(m);
      block(c.body);
      ends.push_back(emit(make(Op::Jump)));
      patchA(next);
    }
    block(s.otherwise);
    for (std::int32_t j : ends) patchA(j);
  }

  void errRaise(const ErrRaiseStmt& s) {
    // The number is checked first; the arguments left out are marked so.
    const std::int32_t count = static_cast<std::int32_t>(s.args.size());
    const std::int32_t first = temp();
    for (std::int32_t i = 1; i < count; ++i) temp();
    exprInto(*s.args[0], first);
    emit(make(Op::ErrNumber, first));
    std::int32_t given = 1;
    for (std::int32_t i = 1; i < count; ++i) {
      if (s.args[static_cast<std::size_t>(i)] == nullptr) continue;
      exprInto(*s.args[static_cast<std::size_t>(i)], first + i);
      given |= 1 << i;
    }
    emit(make(Op::ErrRaise, first, count, given));
  }

  Code& code_;
  const std::int32_t variables_;
  std::int32_t top_, maxTop_ = 0;
  const bool fast_;
  std::vector<std::vector<std::int32_t>> forExits_, doExits_;
  const char* stackFloor_ = threadStackFloor();
};

}  // namespace

std::shared_ptr<const Code> compileBody(const Block& body, int variables, bool fastPaths,
                                        const std::vector<ArrayDecl>& arrays,
                                        std::shared_ptr<const LocalScope> scope) {
  auto code = std::make_shared<Code>();
  Compiler c(*code, variables, fastPaths);
  code->scope = std::move(scope);
  c.declareArrays(arrays);
  c.block(body);
  c.finish();
  return code;
}

}  // namespace zorvan::vbs
