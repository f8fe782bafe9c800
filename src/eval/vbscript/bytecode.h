#pragma once
// The form a procedure runs in: a flat array of register instructions.
// Registers are the call's variables followed by its temporaries; an operand
// RK is a register when it is 0 or more and the constant ~RK otherwise.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "eval/vbscript/ast.h"
#include "eval/vbscript/nodes.h"

namespace zorvan::vbs {

enum class Op : std::uint8_t {
  Move,        // R[a] = RK(b)
  Assign,      // R[a] = RK(b), refusing an object (flag: Set, refusing anything else)
  AssignReturn, // Assign, then Return
  GetGlobal,   // R[a] = G[b]
  SetGlobal,   // G[a] = RK(b), checked as Assign
  Add, Sub, Mul, Div, Pow,  // R[a] = RK(b) op RK(c)
  AddK, SubK, MulK, DivK,   // the same with RK(c) a number known when compiled (k); flag: it is the left operand
  Binary,      // R[a] = RK(b) bop RK(c), for the operators without a numeric fast path
  Compare,     // R[a] = RK(b) bop RK(c), a comparison
  Branch,      // goto a when the comparison RK(b) bop RK(c) holds == flag (Null never holds)
  BranchK,     // the same with RK(c) a number known when compiled (k)
  Neg,         // R[a] = -RK(b)
  Not,         // R[a] = Not RK(b)
  Jump,        // goto a
  JumpIf,      // goto a when RK(b) taken as a condition == flag
  Math,        // R[a] = builtin(RK(b)), with the builtin's double kernel as fast path
  Unary,       // R[a] = builtin(RK(b))
  CallBuiltin, // R[a] = builtin(R[b] .. R[b+c-1])
  CallProc,    // R[a] = the call site c's procedure, with its arguments
  ToNumber,    // R[a] = R[a] read as a number
  ForPrep,     // counter a (register, or global ~a) = R[b]; R[b] = whether the step is negative; goto c when done
  ForLoop,     // counter a += R[b+2]; goto c unless done
  Tick,        // a loop's turn: the time-out is checked here
  OnError,     // On Error Resume Next (flag) or GoTo 0
  ErrProperty, // R[a] = Err's property b
  ErrClear,
  ErrNumber,   // R[a] = R[a] as the number Err.Raise takes
  ErrRaise,    // Err.Raise with R[a] .. R[a+b-1], those of bit mask c given
  ErrSet,      // Err's property b = R[a]
  ScriptText,  // R[a] = Eval, Execute or ExecuteGlobal (c) of R[b]
  LateCall,    // R[a] = the procedure named by text n, found when called, with R[b] .. R[b+c-1] by value
  NewArray,    // place a (register, or global ~a) = a new array of shape b, or unsized (flag false)
  MakeArray,   // R[a] = Array(R[b] .. R[b+c-1])
  Index,       // R[a] = place b (R[c] .. R[c+n-1])
  SetIndex,    // place a (R[b] .. R[b+n-1]) = RK(c), checked as Assign
  ReDim,       // ReDim [Preserve (flag)] place a (R[b] .. R[b+c-1])
  Erase,       // Erase place a, declared with its size (flag)
  ForEachPrep, // R[b] = collection, R[b+1] = 0; goto c when empty, else place a = the first element
  ForEachLoop, // place a = the next element of R[b] and goto c, unless none is left
  Raise,       // fails with error a, naming text b (or nothing when b < 0)
  Return,
};

// The n of Index and SetIndex: the count of subscripts in its low byte (more
// than an array can have are out of range anyway), the variable's name above.
inline std::int32_t subscriptCount(std::int32_t n) { return n & 0xFF; }
inline std::int32_t subscriptName(std::int32_t n) { return n >> 8; }

struct Ins {
  Op op = Op::Return;
  BinOp bop = BinOp::Add;
  bool flag = false;
  std::int32_t a = 0, b = 0, c = 0;
  union {
    double k = 0;
    const Builtin* builtin;
    std::int32_t n;  // subscripts
  };
};

// An argument of a procedure call: a variable passed by reference, or a
// temporary whose value is passed.
struct CallArg {
  enum class Kind : std::uint8_t { Value, Local, Global };
  Kind kind;
  std::int32_t index;
};

struct CallSite {
  const Procedure* procedure;
  std::vector<CallArg> args;
};

// Where a statement that fails under On Error Resume Next goes on: the
// innermost range holding the failing instruction decides.
struct ResumeRange {
  std::int32_t begin, end, resumeAt;
};

// The statement that instructions [begin, end) belong to, by its place in
// the text; the innermost range holding an instruction decides.
struct StatementPlace {
  std::int32_t begin, end, line, column;
};

struct Code {
  std::vector<Ins> ins;
  std::vector<Value> constants;
  std::vector<std::string> texts;
  std::vector<CallSite> calls;
  std::vector<std::vector<std::int32_t>> shapes;  // of the arrays declared with their size
  std::vector<ResumeRange> resume;
  std::vector<StatementPlace> places;  // empty for text compiled while a call runs
  int registers = 0;
  std::shared_ptr<const LocalScope> scope;  // a procedure's names; none for global code
  bool fast = true;  // run with the numeric fast paths

  // Where a failure at instruction pc resumes.
  std::int32_t resumeAt(std::int32_t pc) const;
  // Gives a failure at instruction pc the place of its statement, where it has none yet.
  void place(ScriptError& e, std::int32_t pc) const;
};

}  // namespace zorvan::vbs
