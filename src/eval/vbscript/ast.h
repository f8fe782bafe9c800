#pragma once
// The compiled form of a script: a tree of expression and statement nodes
// that evaluate themselves. Names are bound to frame slots, globals,
// constants, procedures or built-ins once the whole code is parsed, so a run
// does no lookup by name.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/value.h"
#include "eval/vbscript/runtime.h"

namespace zorvan::vbs {

struct Procedure;
struct Builtin;

struct Frame {
  Slot* slots;
  Runtime* rt;
  bool resumeNext = false;  // On Error Resume Next is in force in this call
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
using ExprVisitor = std::function<void(ExprPtr&)>;

struct Expr {
  virtual ~Expr() = default;
  // Calls v on each direct operand, for passes over the compiled tree.
  virtual void visitChildren(const ExprVisitor&) {}
  virtual Value eval(Frame& f) const = 0;
  // The variable this expression names, for passing it ByRef; null otherwise.
  virtual Value* place(Frame&) const { return nullptr; }
  // The value of a variable, constant or literal where it lies, without a
  // copy; null for anything that must be evaluated.
  virtual const Value* peek(Frame&) const { return nullptr; }
};
using ExprList = std::vector<ExprPtr>;

enum class Flow : std::uint8_t { Normal, ExitFor, ExitDo, ExitProc };

struct Stmt {
  virtual ~Stmt() = default;
  virtual Flow exec(Frame& f) const = 0;
  // Calls v on each expression of the statement and of the statements inside it.
  virtual void visitExpressions(const ExprVisitor&) {}
};
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

// Runs a statement under On Error Resume Next: an error it raises is noted
// in Err and the run goes on with the next statement.
Flow execResumingNext(const Stmt& s, Frame& f);

inline Flow runBlock(const Block& block, Frame& f) {
  for (const auto& s : block) {
    const Flow flow = f.resumeNext ? execResumingNext(*s, f) : s->exec(f);
    if (flow != Flow::Normal) return flow;
  }
  return Flow::Normal;
}

// What an identifier stands for once the code is resolved.
enum class Binding : std::uint8_t {
  Unresolved,
  Local,      // a slot of the current frame
  Global,     // a module variable
  Constant,   // a Const or a built-in constant
  Procedure,  // a Function or Sub of the module
  Builtin,    // a built-in function
  Undefined,  // Option Explicit and never declared
  Unknown,    // called with arguments, but no procedure or function of that name
};

struct Name {
  std::string text;  // as written, for messages
  std::string key;   // folded case
  Binding binding = Binding::Unresolved;
  int index = -1;
  Value constant;
  const Procedure* procedure = nullptr;
  const Builtin* builtin = nullptr;
  bool called = false;  // written with arguments or parentheses
};

struct Param {
  std::string key;
  bool byRef = true;
};

class NumericProcedure;

struct Procedure {
  std::string name;
  std::string key;
  bool isFunction = true;
  std::vector<Param> params;
  int slotCount = 0;
  int returnSlot = -1;
  Block body;
  // The fast path of the whole procedure, where it has one.
  std::shared_ptr<const NumericProcedure> numeric;
};

// Built-in functions take their arguments evaluated, at most four.
inline constexpr std::size_t kMaxBuiltinArgs = 6;  // Replace takes six
using BuiltinFn = Value (*)(const Value* args, std::size_t count);
using UnaryFn = Value (*)(const Value& arg);

struct Builtin {
  const char* key;
  const char* name;
  std::uint8_t minArgs, maxArgs;
  BuiltinFn fn;
  UnaryFn unary;  // set for one-argument functions: they get a node of their own
  // For math functions: the function on doubles, giving a NaN or an
  // infinity where the Value function fails; null for the others.
  double (*kernel)(double) = nullptr;
  bool keepsKind = false;  // Abs, Int, Fix: a whole number stays whole
};

// Runs a procedure with arguments evaluated in the caller's frame.
Value callProcedure(const Procedure& p, Frame& caller, const ExprList& args);
// Runs a procedure for the host, with the arguments passed by value.
Value callFromHost(const Procedure& p, Runtime& rt, const Value* args, std::size_t count);

}  // namespace zorvan::vbs
