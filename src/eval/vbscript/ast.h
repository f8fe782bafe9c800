#pragma once
// The pieces of a compiled script: names bound to frame registers, globals,
// constants, procedures or built-ins once the whole code is parsed, so a run
// does no lookup by name; procedures with their bytecode; built-ins.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/value.h"
#include "eval/vbscript/runtime.h"

namespace zorvan::vbs {

struct Procedure;
struct Builtin;
struct Code;
struct NumericPlan;

// One call's registers: its variables, then the temporaries of its code.
struct Frame {
  Slot* regs;
  Runtime* rt;
  bool resumeNext = false;  // On Error Resume Next is in force in this call
};

struct Expr {
  virtual ~Expr() = default;
};
using ExprPtr = std::unique_ptr<Expr>;
using ExprList = std::vector<ExprPtr>;

struct Stmt {
  virtual ~Stmt() = default;
  // Where the statement starts in the text, from 1; 0 in text compiled while
  // a call runs, whose failures are placed at the statement that compiled it.
  std::int32_t line = 0, column = 0;
};
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

// A variable declared as an array: Dim a(2, 3), or Dim a() to be sized by ReDim.
struct ArrayDecl {
  int place;  // its register, or ~ its global
  std::vector<std::int32_t> upper;
  bool sized;
};

// The names of a procedure's call, for text compiled while it runs (Eval
// and Execute): its variables are the call's first registers.
struct LocalScope {
  std::string procedure;  // the key of the procedure whose call it is
  std::unordered_map<std::string, int> locals;
  std::unordered_map<std::string, Value> constants;
  std::unordered_set<std::string> fixedArrays;
  int slotCount = 0;
};

struct Param {
  std::string key;
  bool byRef = true;
};

struct Procedure {
  std::string name;
  std::string key;
  bool isFunction = true;
  std::vector<Param> params;
  int slotCount = 0;
  int returnSlot = -1;
  std::vector<ArrayDecl> arrays;  // created as each call starts
  Block body;
  std::shared_ptr<const Code> code;
  // The same code for a call with a Double, where it is numeric throughout.
  std::shared_ptr<const NumericPlan> plan;
};

// Built-ins that are not plain functions of their arguments.
enum class Special : std::uint8_t { None, Array, Eval, Execute, ExecuteGlobal };

// Built-in functions take their arguments evaluated.
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
  Special special = Special::None;
  // Its answer may change from call to call with the same arguments (Rnd,
  // Timer), or it changes state the next call sees (Randomize).
  bool stateful = false;
};

}  // namespace zorvan::vbs
