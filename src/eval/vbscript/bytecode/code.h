#pragma once
// The form a procedure runs in: a flat array of register instructions
// (opcodes.h). Registers are the call's variables followed by its
// temporaries.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/value.h"
#include "eval/vbscript/bytecode/opcodes.h"

namespace zorvan::vbs {

struct Builtin;
struct LocalScope;
struct Procedure;

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
  const Procedure* procedure;  // null for a late-bound call, which finds it by name
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
