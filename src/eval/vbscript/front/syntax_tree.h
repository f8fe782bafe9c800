#pragma once
// The syntax tree: the parsed form of a script, expressions and statements
// whose names the binder then binds. The compiler turns each procedure's
// tree into bytecode; nothing runs the tree itself.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/value.h"
#include "eval/vbscript/bytecode/opcodes.h"

namespace zorvan::vbs {

struct Procedure;
struct Builtin;

// Every kind of node, so that the compiler's switch over them fails to
// build (-Wswitch) where a kind is left out.
enum class ExprKind : std::uint8_t { Missing, Literal, Var, Paren, Call, Index, Binary, Chain, Neg, Not, ErrProperty };
enum class StmtKind : std::uint8_t {
  Assign, IndexAssign, ReDim, Erase, Expr, If, For, ForEach, Do, Select, Exit, OnError, ErrClear, ErrRaise, ErrSet
};

struct Expr {
  explicit Expr(ExprKind k) : kind(k) {}
  virtual ~Expr() = default;
  const ExprKind kind;
};
using ExprPtr = std::unique_ptr<Expr>;
using ExprList = std::vector<ExprPtr>;

struct Stmt {
  explicit Stmt(StmtKind k) : kind(k) {}
  virtual ~Stmt() = default;
  const StmtKind kind;
  // Where the statement starts in the text, from 1; 0 in text compiled while
  // a call runs, whose failures are placed at the statement that compiled it.
  std::int32_t line = 0, column = 0;
};

// A node of one kind, which it sets once.
template <class Base, auto K>
struct NodeOf : Base {
  static constexpr auto kKind = K;
  NodeOf() : Base(K) {}
};

// The node as a T, or null where it is of another kind.
template <class T, class Base>
const T* as(const Base& node) {
  return node.kind == T::kKind ? static_cast<const T*>(&node) : nullptr;
}
template <class T, class Base>
T* as(Base& node) {
  return node.kind == T::kKind ? static_cast<T*>(&node) : nullptr;
}
using StmtPtr = std::unique_ptr<Stmt>;
using Block = std::vector<StmtPtr>;

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
  // A procedure: the one calls reach, and the declaration its arguments are
  // compiled against (the unit's own where the unit declares it again).
  const Procedure* procedure = nullptr;
  const Procedure* definition = nullptr;
  const Builtin* builtin = nullptr;
  bool called = false;  // written with arguments or parentheses
  bool declares = false;  // a ReDim target: declared by the ReDim where nothing else is
  bool fixedArray = false;  // bound to an array declared with its size
};


// An argument left out of a call, between commas: f(a, , c).
struct MissingExpr final : NodeOf<Expr, ExprKind::Missing> {};

struct LiteralExpr final : NodeOf<Expr, ExprKind::Literal> {
  explicit LiteralExpr(Value v) : value(std::move(v)) {}
  Value value;
};

struct VarExpr final : NodeOf<Expr, ExprKind::Var> {
  Name name;
};

// A variable in parentheses is passed by value.
struct ParenExpr final : NodeOf<Expr, ExprKind::Paren> {
  explicit ParenExpr(ExprPtr e) : inner(std::move(e)) {}
  ExprPtr inner;
};

struct CallExpr final : NodeOf<Expr, ExprKind::Call> {
  Name name;
  ExprList args;
};

// An element of the array a call gives: Split(s)(1), a(0)(1).
struct IndexExpr final : NodeOf<Expr, ExprKind::Index> {
  ExprPtr base;
  ExprList subscripts;
  std::string name;  // the called name, for messages
};

struct BinaryExpr final : NodeOf<Expr, ExprKind::Binary> {
  BinaryExpr(BinOp o, ExprPtr l, ExprPtr r) : op(o), lhs(std::move(l)), rhs(std::move(r)) {}
  BinOp op;
  ExprPtr lhs, rhs;
};

// A long run of operators of one precedence, evaluated left to right, so
// that a line of thousands of terms makes no deep tree.
struct ChainExpr final : NodeOf<Expr, ExprKind::Chain> {
  ExprPtr first;
  std::vector<std::pair<BinOp, ExprPtr>> rest;
};

struct NegExpr final : NodeOf<Expr, ExprKind::Neg> {
  explicit NegExpr(ExprPtr e) : operand(std::move(e)) {}
  ExprPtr operand;
};

struct NotExpr final : NodeOf<Expr, ExprKind::Not> {
  explicit NotExpr(ExprPtr e) : operand(std::move(e)) {}
  ExprPtr operand;
};

struct ErrPropertyExpr final : NodeOf<Expr, ExprKind::ErrProperty> {
  enum class Property : std::uint8_t { Number, Description, Source, HelpFile, HelpContext };
  explicit ErrPropertyExpr(Property p) : property(p) {}
  Property property;
};

struct AssignStmt final : NodeOf<Stmt, StmtKind::Assign> {
  Name target;
  ExprPtr value;
  bool setsObject = false;  // Set name = ...
  bool anyValue = false;    // an object or not: the result of Eval
};

// name(subscripts) = value
struct IndexAssignStmt final : NodeOf<Stmt, StmtKind::IndexAssign> {
  Name target;
  ExprList subscripts;
  ExprPtr value;
  bool setsObject = false;
};

// ReDim [Preserve] name(bounds) [, name(bounds)]...
struct ReDimStmt final : NodeOf<Stmt, StmtKind::ReDim> {
  struct Item {
    Name target;
    ExprList bounds;
  };
  bool preserve = false;
  std::vector<std::unique_ptr<Item>> items;  // held by pointer: the parser keeps the names' addresses
};

struct EraseStmt final : NodeOf<Stmt, StmtKind::Erase> {
  Name target;
};

struct ExprStmt final : NodeOf<Stmt, StmtKind::Expr> {
  explicit ExprStmt(ExprPtr e) : expr(std::move(e)) {}
  ExprPtr expr;
};

struct IfStmt final : NodeOf<Stmt, StmtKind::If> {
  std::vector<std::pair<ExprPtr, Block>> arms;
  Block otherwise;
};

struct ForStmt final : NodeOf<Stmt, StmtKind::For> {
  Name counter;
  ExprPtr from, to, step;
  Block body;
};

struct ForEachStmt final : NodeOf<Stmt, StmtKind::ForEach> {
  Name element;
  ExprPtr collection;
  Block body;
};

struct DoStmt final : NodeOf<Stmt, StmtKind::Do> {
  enum class Test : std::uint8_t { None, While, Until };
  Test preTest = Test::None, postTest = Test::None;
  ExprPtr pre, post;
  Block body;
};

struct SelectStmt final : NodeOf<Stmt, StmtKind::Select> {
  struct Case {
    ExprList values;
    Block body;
  };
  ExprPtr subject;
  std::vector<Case> cases;
  Block otherwise;
};

struct ExitStmt final : NodeOf<Stmt, StmtKind::Exit> {
  enum class Kind : std::uint8_t { For, Do, Procedure };
  explicit ExitStmt(Kind k) : what(k) {}
  Kind what;
};

struct OnErrorStmt final : NodeOf<Stmt, StmtKind::OnError> {
  explicit OnErrorStmt(bool resume) : resumeNext(resume) {}
  bool resumeNext;
};

struct ErrClearStmt final : NodeOf<Stmt, StmtKind::ErrClear> {};

// Err.Raise number[, source[, description[, helpfile[, helpcontext]]]].
// Err.Raise number[, source[, description[, helpfile[, helpcontext]]]]: an
// argument left out (null) takes its default.
struct ErrRaiseStmt final : NodeOf<Stmt, StmtKind::ErrRaise> {
  ExprList args;
};

// Err.Number = value, and the other properties likewise.
struct ErrSetStmt final : NodeOf<Stmt, StmtKind::ErrSet> {
  ErrPropertyExpr::Property property;
  ExprPtr value;
};

}  // namespace zorvan::vbs
