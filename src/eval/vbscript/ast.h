#pragma once
// The pieces of a compiled script: names bound to frame registers, globals,
// constants, procedures or built-ins once the whole code is parsed, so a run
// does no lookup by name; procedures with their bytecode; built-ins.

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
struct Code;

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
  const Procedure* procedure = nullptr;
  const Builtin* builtin = nullptr;
  bool called = false;  // written with arguments or parentheses
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
  Block body;
  std::shared_ptr<const Code> code;
};

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
};

}  // namespace zorvan::vbs
