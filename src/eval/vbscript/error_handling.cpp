#include "eval/vbscript/error_handling.h"

#include <utility>

namespace zorvan::vbs {

namespace {
constexpr const char* kRuntimeSource = "Microsoft VBScript runtime error";
}

bool canResume(const ScriptError& e) { return e.number != err::TimedOut && e.number != err::Interrupted; }

void noteError(Runtime& rt, const ScriptError& e) {
  rt.err.number = e.number;
  rt.err.description = e.description;
  const bool own = rt.raised.number == e.number && rt.raised.description == e.description;
  rt.err.source = own ? rt.raised.source : kRuntimeSource;
}

Flow execResumingNext(const Stmt& s, Frame& f) {
  try {
    return s.exec(f);
  } catch (const ScriptError& e) {
    if (!canResume(e)) throw;
    noteError(*f.rt, e);
    f.rt->tick();  // a loop of failing statements still meets the time-out
    return Flow::Normal;
  }
}

Flow OnErrorStmt::exec(Frame& f) const {
  f.resumeNext = resumeNext;
  f.rt->err.clear();
  return Flow::Normal;
}

Value ErrPropertyExpr::eval(Frame& f) const {
  const ErrState& e = f.rt->err;
  switch (property) {
    case Property::Number:
      return Value::longInt(e.number);
    case Property::Description:
      return Value::string(e.description);
    case Property::Source:
      return Value::string(e.source);
  }
  return {};
}

Flow ErrClearStmt::exec(Frame& f) const {
  f.rt->err.clear();
  return Flow::Normal;
}

Flow ErrRaiseStmt::exec(Frame& f) const {
  const std::int32_t number = args[0]->eval(f).toLong();
  if (number == 0) raise(err::InvalidCall);
  RaisedError& r = f.rt->raised;
  r.number = number;
  r.source = args.size() > 1 ? args[1]->eval(f).toText() : std::string(kRuntimeSource);
  if (args.size() > 2) r.description = args[2]->eval(f).toText();
  else if (const std::string_view d = describeError(number); !d.empty()) r.description = std::string(d);
  else r.description = "Unknown runtime error";
  throw ScriptError{r.number, r.description};
}

}  // namespace zorvan::vbs
