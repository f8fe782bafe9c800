#include "eval/vbscript/error_handling.h"

#include <string>

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

Value errProperty(const Runtime& rt, std::int32_t property) {
  const ErrState& e = rt.err;
  switch (property) {
    case 0:
      return Value::longInt(e.number);
    case 1:
      return Value::string(e.description);
    default:
      return Value::string(e.source);
  }
}

std::int32_t errRaiseNumber(const Value& v) {
  const std::int32_t number = v.toLong();
  if (number == 0) raise(err::InvalidCall);
  return number;
}

void errRaise(Runtime& rt, const Value* args, std::size_t count) {
  RaisedError& r = rt.raised;
  r.number = args[0].rawWhole();
  r.source = count > 1 ? args[1].toText() : std::string(kRuntimeSource);
  if (count > 2) r.description = args[2].toText();
  else if (const std::string_view d = describeError(r.number); !d.empty()) r.description = std::string(d);
  else r.description = "Unknown runtime error";
  throw ScriptError{r.number, r.description};
}

}  // namespace zorvan::vbs
