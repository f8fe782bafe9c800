#include "eval/vbscript/nodes.h"

#include "eval/vbscript/error_handling.h"

namespace zorvan::vbs {

namespace op {
Value intDiv(const Value& a, const Value& b) { return zorvan::intDiv(a, b); }
Value mod(const Value& a, const Value& b) { return zorvan::mod(a, b); }
Value pow(const Value& a, const Value& b) { return zorvan::power(a, b); }
Value concat(const Value& a, const Value& b) { return zorvan::concat(a, b); }
Value logicalAnd(const Value& a, const Value& b) { return zorvan::logicalAnd(a, b); }
Value logicalOr(const Value& a, const Value& b) { return zorvan::logicalOr(a, b); }
Value logicalXor(const Value& a, const Value& b) { return zorvan::logicalXor(a, b); }
Value logicalEqv(const Value& a, const Value& b) { return zorvan::logicalEqv(a, b); }
Value logicalImp(const Value& a, const Value& b) { return zorvan::logicalImp(a, b); }
}  // namespace op

bool conditionResumingNext(const Expr& cond, Frame& f) {
  try {
    return truth(cond.eval(f));
  } catch (const ScriptError& e) {
    if (!canResume(e)) throw;
    noteError(*f.rt, e);
    return true;
  }
}

namespace {
const ExprList kNoArgs;

Value callBuiltin(const Builtin& b, const Name& n, Frame& f, const ExprList& args) {
  if (args.size() < b.minArgs || args.size() > b.maxArgs) raise(err::WrongArguments, n.text);
  if (b.unary != nullptr) {
    if (const Value* a = args[0]->peek(f)) return b.unary(*a);
    return b.unary(args[0]->eval(f));
  }
  Value argv[kMaxBuiltinArgs];
  for (std::size_t i = 0; i < args.size(); ++i) argv[i] = args[i]->eval(f);
  return b.fn(argv, args.size());
}

// Guards one call level: depth, native stack and the abort flag.
class CallGuard {
 public:
  explicit CallGuard(Runtime& rt) : rt_(rt) { rt_.enterCall(); }
  ~CallGuard() { rt_.leaveCall(); }
  CallGuard(const CallGuard&) = delete;
  CallGuard& operator=(const CallGuard&) = delete;

 private:
  Runtime& rt_;
};

// The frame of one call, popped however the call ends.
class FrameScope {
 public:
  FrameScope(Runtime& rt, const Procedure& p) : rt_(rt), n_(static_cast<std::size_t>(p.slotCount)) {
    slots_ = rt_.stack.push(n_, mark_);
  }
  ~FrameScope() { rt_.stack.pop(mark_, slots_, n_); }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;
  Slot* slots() const { return slots_; }

 private:
  Runtime& rt_;
  std::size_t n_;
  SlotStack::Mark mark_{};
  Slot* slots_;
};

Value runBody(const Procedure& p, Runtime& rt, Slot* slots) {
  Frame frame{slots, &rt};
  runBlock(p.body, frame);
  return p.returnSlot >= 0 ? std::move(slots[p.returnSlot].own) : Value();
}
}  // namespace

Value callProcedure(const Procedure& p, Frame& caller, const ExprList& args) {
  if (args.size() != p.params.size()) raise(err::WrongArguments, p.name);
  Runtime& rt = *caller.rt;
  CallGuard guard(rt);
  FrameScope frame(rt, p);
  Slot* s = frame.slots();
  for (std::size_t i = 0; i < args.size(); ++i) {
    Value* target = p.params[i].byRef ? args[i]->place(caller) : nullptr;
    if (target != nullptr) s[i].ref = target;
    else s[i].own = args[i]->eval(caller);
  }
  return runBody(p, rt, s);
}

Value callFromHost(const Procedure& p, Runtime& rt, const Value* args, std::size_t count) {
  if (count != p.params.size()) raise(err::WrongArguments, p.name);
  CallGuard guard(rt);
  FrameScope frame(rt, p);
  Slot* s = frame.slots();
  for (std::size_t i = 0; i < count; ++i) s[i].own = args[i];
  return runBody(p, rt, s);
}

Value readName(const Name& n, Frame& f) {
  switch (n.binding) {
    case Binding::Local:
      return *f.slots[n.index].ref;
    case Binding::Global:
      return f.rt->globals[static_cast<std::size_t>(n.index)];
    case Binding::Constant:
      return n.constant;
    case Binding::Procedure:
      return callProcedure(*n.procedure, f, kNoArgs);
    case Binding::Builtin:
      return callBuiltin(*n.builtin, n, f, kNoArgs);
    case Binding::Undefined:
      raise(err::VariableUndefined, n.text);
    case Binding::Unknown:
    case Binding::Unresolved:
      break;
  }
  raise(err::TypeMismatch, n.text);
}

void assignName(const Name& n, Frame& f, Value v) {
  switch (n.binding) {
    case Binding::Local:
      *f.slots[n.index].ref = std::move(v);
      return;
    case Binding::Global:
      f.rt->globals[static_cast<std::size_t>(n.index)] = std::move(v);
      return;
    case Binding::Undefined:
      raise(err::VariableUndefined, n.text);
    default:
      raise(err::IllegalAssignment, n.text);
  }
}

Value* VarExpr::place(Frame& f) const {
  if (name.binding == Binding::Local) return f.slots[name.index].ref;
  if (name.binding == Binding::Global) return &f.rt->globals[static_cast<std::size_t>(name.index)];
  return nullptr;
}

const Value* VarExpr::peek(Frame& f) const {
  switch (name.binding) {
    case Binding::Local:
      return f.slots[name.index].ref;
    case Binding::Global:
      return &f.rt->globals[static_cast<std::size_t>(name.index)];
    case Binding::Constant:
      return &name.constant;
    default:
      return nullptr;
  }
}

Value CallExpr::eval(Frame& f) const {
  switch (name.binding) {
    case Binding::Procedure:
      return callProcedure(*name.procedure, f, args);
    case Binding::Builtin:
      return callBuiltin(*name.builtin, name, f, args);
    case Binding::Undefined:
      raise(err::VariableUndefined, name.text);
    default:
      // A variable or constant with arguments: there are no arrays.
      raise(err::TypeMismatch, name.text);
  }
}

Flow ForStmt::exec(Frame& f) const {
  const Value start = from->eval(f).toNumber();
  const Value end = to->eval(f).toNumber();
  const Value increment = step ? step->eval(f).toNumber() : Value::integer(1);
  const bool down = compare(increment, Value::integer(0)) < 0;
  assignName(counter, f, start);
  for (;;) {
    f.rt->tick();
    const int c = compare(readVariable(counter, f).toNumber(), end);
    if (down ? c < 0 : c > 0) break;
    const Flow flow = runBlock(body, f);
    if (flow == Flow::ExitFor) break;
    if (flow != Flow::Normal) return flow;
    assignName(counter, f, add(readVariable(counter, f), increment));
  }
  return Flow::Normal;
}

Flow DoStmt::exec(Frame& f) const {
  auto holds = [&f](Test t, const ExprPtr& cond) {
    if (t == Test::None) return true;
    const bool v = truth(cond->eval(f));
    return t == Test::While ? v : !v;
  };
  for (;;) {
    f.rt->tick();
    if (!holds(preTest, pre)) break;
    const Flow flow = runBlock(body, f);
    if (flow == Flow::ExitDo) break;
    if (flow != Flow::Normal) return flow;
    if (!holds(postTest, post)) break;
  }
  return Flow::Normal;
}

Flow SelectStmt::exec(Frame& f) const {
  const Value v = subject->eval(f);
  for (const auto& c : cases)
    for (const auto& e : c.values)
      if (truth(op::eq(v, e->eval(f)))) return runBlock(c.body, f);  // Null matches no case
  return runBlock(otherwise, f);
}

}  // namespace zorvan::vbs

namespace zorvan::vbs {

void visitBlock(Block& b, const ExprVisitor& v) {
  for (auto& s : b) s->visitExpressions(v);
}

void IfStmt::visitExpressions(const ExprVisitor& v) {
  for (auto& [cond, body] : arms) {
    v(cond);
    visitBlock(body, v);
  }
  visitBlock(otherwise, v);
}

void ForStmt::visitExpressions(const ExprVisitor& v) {
  v(from);
  v(to);
  if (step) v(step);
  visitBlock(body, v);
}

void DoStmt::visitExpressions(const ExprVisitor& v) {
  if (pre) v(pre);
  if (post) v(post);
  visitBlock(body, v);
}

void SelectStmt::visitExpressions(const ExprVisitor& v) {
  v(subject);
  for (auto& c : cases) {
    for (auto& e : c.values) v(e);
    visitBlock(c.body, v);
  }
  visitBlock(otherwise, v);
}

}  // namespace zorvan::vbs
