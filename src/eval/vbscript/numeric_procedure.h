#pragma once
// A whole procedure on the fast path: one whose statements only assign
// numeric expressions to its own variables and test numbers (If, For, Do,
// While, Exit) runs on registers of doubles, without frames or boxed
// values. It has no side effects but on its registers, so whenever a value
// leaves the kinds the fast path handles, the run is abandoned and the
// full interpreter runs the procedure from the start.

#include <memory>

#include "common/value.h"
#include "eval/vbscript/ast.h"

namespace zorvan::vbs {

class NumericProcedure {
 public:
  // Null when the procedure is not of that kind.
  static std::shared_ptr<const NumericProcedure> compile(const Procedure& p);
  virtual ~NumericProcedure() = default;
  // True with the result in out; false where the full interpreter must run.
  // A time-out in one of its loops fails as in the full interpreter.
  virtual bool run(Runtime& rt, const Value* args, std::size_t count, Value& out) const = 0;
  // Whether it has loops, which the time-out must watch.
  virtual bool loops() const = 0;
};

}  // namespace zorvan::vbs
