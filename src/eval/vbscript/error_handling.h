#pragma once
// On Error Resume Next and On Error GoTo 0, and the Err object: its Number,
// Description and Source, Clear and Raise. Resume Next holds for the call of
// the procedure that ran it; an error in a procedure it calls ends that call
// and is let pass at the caller's statement.

#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

// Notes a passed error in Err. Errors that end a run (its time-out, the
// user's stop) are never let pass.
bool canResume(const ScriptError& e);
void noteError(Runtime& rt, const ScriptError& e);

struct OnErrorStmt final : Stmt {
  explicit OnErrorStmt(bool resume) : resumeNext(resume) {}
  Flow exec(Frame& f) const override;
  bool resumeNext;
};

struct ErrPropertyExpr final : Expr {
  enum class Property : std::uint8_t { Number, Description, Source };
  explicit ErrPropertyExpr(Property p) : property(p) {}
  Value eval(Frame& f) const override;
  Property property;
};

struct ErrClearStmt final : Stmt {
  Flow exec(Frame& f) const override;
};

// Err.Raise number[, source[, description]].
struct ErrRaiseStmt final : Stmt {
  Flow exec(Frame& f) const override;
  void visitExpressions(const ExprVisitor& v) override {
    for (auto& a : args) v(a);
  }
  ExprList args;
};

}  // namespace zorvan::vbs
