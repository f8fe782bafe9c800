#pragma once
// The parsed form of a script: expressions and statements with every name
// bound. The compiler turns each procedure's tree into bytecode; nothing
// runs the tree itself.

#include <utility>

#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

enum class BinOp : std::uint8_t {
  Add, Sub, Mul, Div, IntDiv, Mod, Pow, Concat, And, Or, Xor, Eqv, Imp, Eq, Ne, Lt, Gt, Le, Ge, Is
};

inline bool isComparison(BinOp op) { return op >= BinOp::Eq && op <= BinOp::Ge; }

// An argument left out of a call, between commas: f(a, , c).
struct MissingExpr final : Expr {};

struct LiteralExpr final : Expr {
  explicit LiteralExpr(Value v) : value(std::move(v)) {}
  Value value;
};

struct VarExpr final : Expr {
  Name name;
};

// A variable in parentheses is passed by value.
struct ParenExpr final : Expr {
  explicit ParenExpr(ExprPtr e) : inner(std::move(e)) {}
  ExprPtr inner;
};

struct CallExpr final : Expr {
  Name name;
  ExprList args;
};

// An element of the array a call gives: Split(s)(1), a(0)(1).
struct IndexExpr final : Expr {
  ExprPtr base;
  ExprList subscripts;
  std::string name;  // the called name, for messages
};

struct BinaryExpr final : Expr {
  BinaryExpr(BinOp o, ExprPtr l, ExprPtr r) : op(o), lhs(std::move(l)), rhs(std::move(r)) {}
  BinOp op;
  ExprPtr lhs, rhs;
};

// A long run of operators of one precedence, evaluated left to right, so
// that a line of thousands of terms makes no deep tree.
struct ChainExpr final : Expr {
  ExprPtr first;
  std::vector<std::pair<BinOp, ExprPtr>> rest;
};

struct NegExpr final : Expr {
  explicit NegExpr(ExprPtr e) : operand(std::move(e)) {}
  ExprPtr operand;
};

struct NotExpr final : Expr {
  explicit NotExpr(ExprPtr e) : operand(std::move(e)) {}
  ExprPtr operand;
};

struct ErrPropertyExpr final : Expr {
  enum class Property : std::uint8_t { Number, Description, Source, HelpFile, HelpContext };
  explicit ErrPropertyExpr(Property p) : property(p) {}
  Property property;
};

struct AssignStmt final : Stmt {
  Name target;
  ExprPtr value;
  bool setsObject = false;  // Set name = ...
  bool anyValue = false;    // an object or not: the result of Eval
};

// name(subscripts) = value
struct IndexAssignStmt final : Stmt {
  Name target;
  ExprList subscripts;
  ExprPtr value;
  bool setsObject = false;
};

// ReDim [Preserve] name(bounds) [, name(bounds)]...
struct ReDimStmt final : Stmt {
  struct Item {
    Name target;
    ExprList bounds;
  };
  bool preserve = false;
  std::vector<std::unique_ptr<Item>> items;  // held by pointer: the parser keeps the names' addresses
};

struct EraseStmt final : Stmt {
  Name target;
};

struct ExprStmt final : Stmt {
  explicit ExprStmt(ExprPtr e) : expr(std::move(e)) {}
  ExprPtr expr;
};

struct IfStmt final : Stmt {
  std::vector<std::pair<ExprPtr, Block>> arms;
  Block otherwise;
};

struct ForStmt final : Stmt {
  Name counter;
  ExprPtr from, to, step;
  Block body;
};

struct ForEachStmt final : Stmt {
  Name element;
  ExprPtr collection;
  Block body;
};

struct DoStmt final : Stmt {
  enum class Test : std::uint8_t { None, While, Until };
  Test preTest = Test::None, postTest = Test::None;
  ExprPtr pre, post;
  Block body;
};

struct SelectStmt final : Stmt {
  struct Case {
    ExprList values;
    Block body;
  };
  ExprPtr subject;
  std::vector<Case> cases;
  Block otherwise;
};

struct ExitStmt final : Stmt {
  enum class Kind : std::uint8_t { For, Do, Procedure };
  explicit ExitStmt(Kind k) : kind(k) {}
  Kind kind;
};

struct OnErrorStmt final : Stmt {
  explicit OnErrorStmt(bool resume) : resumeNext(resume) {}
  bool resumeNext;
};

struct ErrClearStmt final : Stmt {};

// Err.Raise number[, source[, description[, helpfile[, helpcontext]]]].
// Err.Raise number[, source[, description[, helpfile[, helpcontext]]]]: an
// argument left out (null) takes its default.
struct ErrRaiseStmt final : Stmt {
  ExprList args;
};

// Err.Number = value, and the other properties likewise.
struct ErrSetStmt final : Stmt {
  ErrPropertyExpr::Property property;
  ExprPtr value;
};

}  // namespace zorvan::vbs
