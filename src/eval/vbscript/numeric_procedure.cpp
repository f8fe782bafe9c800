#include "eval/vbscript/numeric_procedure.h"

#include <cmath>
#include <utility>
#include <vector>

#include "eval/vbscript/nodes.h"
#include "eval/vbscript/numeric.h"

namespace zorvan::vbs {

namespace {

constexpr int kMaxRegisters = 64;

// Thrown where a value leaves the fast path: the full interpreter takes over.
struct Abandon {};

struct NumStmt {
  virtual ~NumStmt() = default;
  virtual Flow exec(const NumFrame& f) const = 0;
};
using NumStmtPtr = std::unique_ptr<NumStmt>;
using NumBlock = std::vector<NumStmtPtr>;

Flow runBlock(const NumBlock& block, const NumFrame& f) {
  for (const auto& s : block) {
    const Flow flow = s->exec(f);
    if (flow != Flow::Normal) return flow;
  }
  return Flow::Normal;
}

Num need(const NumPtr& e, const NumFrame& f) {
  Num n = e->eval(f);
  if (n.kind == kFailed) throw Abandon{};
  return n;
}

bool holds(const NumPtr& cond, const NumFrame& f) { return need(cond, f).v != 0; }

struct AssignNum final : NumStmt {
  Flow exec(const NumFrame& f) const override {
    f.regs[reg] = need(value, f);
    return Flow::Normal;
  }
  int reg = 0;
  NumPtr value;
};

struct IfNum final : NumStmt {
  Flow exec(const NumFrame& f) const override {
    for (const auto& [cond, body] : arms)
      if (holds(cond, f)) return runBlock(body, f);
    return runBlock(otherwise, f);
  }
  std::vector<std::pair<NumPtr, NumBlock>> arms;
  NumBlock otherwise;
};

struct ForNum final : NumStmt {
  Flow exec(const NumFrame& f) const override {
    const Num start = need(from, f);
    const Num end = need(to, f);
    const Num increment = step ? need(step, f) : Num{1, kWhole};
    const bool down = increment.v < 0;
    f.regs[reg] = start;
    for (;;) {
      f.frame->rt->tick();
      const double c = f.regs[reg].v;
      if (down ? c < end.v : c > end.v) break;
      const Flow flow = runBlock(body, f);
      if (flow == Flow::ExitFor) break;
      if (flow != Flow::Normal) return flow;
      Num counter = f.regs[reg];
      if (counter.kind == kEmptyReg) counter.kind = kWhole;
      const double next = counter.v + increment.v;
      if (!std::isfinite(next)) throw Abandon{};
      f.regs[reg] = {next, counter.kind == kWhole && increment.kind == kWhole ? kWhole : kReal};
    }
    return Flow::Normal;
  }
  int reg = 0;
  NumPtr from, to, step;
  NumBlock body;
};

struct DoNum final : NumStmt {
  Flow exec(const NumFrame& f) const override {
    auto passes = [&f](DoStmt::Test t, const NumPtr& cond) {
      if (t == DoStmt::Test::None) return true;
      const bool v = holds(cond, f);
      return t == DoStmt::Test::While ? v : !v;
    };
    for (;;) {
      f.frame->rt->tick();
      if (!passes(preTest, pre)) break;
      const Flow flow = runBlock(body, f);
      if (flow == Flow::ExitDo) break;
      if (flow != Flow::Normal) return flow;
      if (!passes(postTest, post)) break;
    }
    return Flow::Normal;
  }
  DoStmt::Test preTest = DoStmt::Test::None, postTest = DoStmt::Test::None;
  NumPtr pre, post;
  NumBlock body;
};

struct ExitNum final : NumStmt {
  explicit ExitNum(Flow f) : flow(f) {}
  Flow exec(const NumFrame&) const override { return flow; }
  Flow flow;
};

bool expression(const ExprPtr& e, bool condition, NumPtr& out) {
  if (!e) return true;
  NumericProgram p;
  if (!p.compile(*e, true, condition)) return false;
  out = p.release();
  return true;
}

// loops is set when a For or Do is met.
bool block(const Block& in, NumBlock& out, bool& loops);

bool statement(const Stmt& s, NumStmtPtr& out, bool& loops) {
  if (auto* a = dynamic_cast<const AssignStmt*>(&s)) {
    if (a->setsObject || a->target.binding != Binding::Local || a->target.index >= kMaxRegisters) return false;
    auto n = std::make_unique<AssignNum>();
    n->reg = a->target.index;
    if (!expression(a->value, false, n->value)) return false;
    out = std::move(n);
    return true;
  }
  if (auto* i = dynamic_cast<const IfStmt*>(&s)) {
    auto n = std::make_unique<IfNum>();
    for (const auto& [cond, body] : i->arms) {
      NumPtr c;
      NumBlock b;
      if (!expression(cond, true, c) || !block(body, b, loops)) return false;
      n->arms.emplace_back(std::move(c), std::move(b));
    }
    if (!block(i->otherwise, n->otherwise, loops)) return false;
    out = std::move(n);
    return true;
  }
  if (auto* fs = dynamic_cast<const ForStmt*>(&s)) {
    loops = true;
    if (fs->counter.binding != Binding::Local) return false;
    auto n = std::make_unique<ForNum>();
    n->reg = fs->counter.index;
    if (!expression(fs->from, false, n->from) || !expression(fs->to, false, n->to) ||
        !expression(fs->step, false, n->step) || !block(fs->body, n->body, loops))
      return false;
    out = std::move(n);
    return true;
  }
  if (auto* d = dynamic_cast<const DoStmt*>(&s)) {
    loops = true;
    auto n = std::make_unique<DoNum>();
    n->preTest = d->preTest;
    n->postTest = d->postTest;
    if (!expression(d->pre, true, n->pre) || !expression(d->post, true, n->post) || !block(d->body, n->body, loops))
      return false;
    out = std::move(n);
    return true;
  }
  if (auto* x = dynamic_cast<const ExitStmt*>(&s)) {
    out = std::make_unique<ExitNum>(x->flow);
    return true;
  }
  return false;
}

bool block(const Block& in, NumBlock& out, bool& loops) {
  for (const auto& s : in) {
    NumStmtPtr n;
    if (!statement(*s, n, loops)) return false;
    out.push_back(std::move(n));
  }
  return true;
}

class CompiledProcedure final : public NumericProcedure {
 public:
  CompiledProcedure(NumBlock body, int slots, int params, int result, bool loops)
      : body_(std::move(body)), slots_(slots), params_(params), result_(result), loops_(loops) {}
  bool loops() const override { return loops_; }

  bool run(Runtime& rt, const Value* args, std::size_t count, Value& out) const override {
    if (count != static_cast<std::size_t>(params_)) return false;
    Num regs[kMaxRegisters];
    for (int i = 0; i < slots_; ++i) regs[i] = {0, kEmptyReg};
    for (std::size_t i = 0; i < count; ++i) {
      const Value& a = args[i];
      if (a.isDouble()) regs[i] = {a.rawDouble(), kReal};
      else if (a.isEmpty()) regs[i] = {0, kEmptyReg};
      else if (a.isWhole()) regs[i] = {static_cast<double>(a.rawWhole()), kWhole};
      else return false;
    }
    const Frame frame{nullptr, &rt};
    try {
      runBlock(body_, NumFrame{&frame, regs});
    } catch (const Abandon&) {
      return false;
    }
    const Num r = regs[result_];
    if (r.kind == kReal) out = Value(r.v);
    else if (r.kind == kEmptyReg) out = Value();
    else return false;  // a whole number keeps a kind only the full interpreter knows
    return true;
  }

 private:
  NumBlock body_;
  int slots_, params_, result_;
  bool loops_;
};

}  // namespace

std::shared_ptr<const NumericProcedure> NumericProcedure::compile(const Procedure& p) {
  if (!p.isFunction || p.returnSlot < 0 || p.slotCount > kMaxRegisters) return nullptr;
  NumBlock body;
  bool loops = false;
  if (!block(p.body, body, loops)) return nullptr;
  return std::make_shared<CompiledProcedure>(std::move(body), p.slotCount, static_cast<int>(p.params.size()),
                                             p.returnSlot, loops);
}

}  // namespace zorvan::vbs
