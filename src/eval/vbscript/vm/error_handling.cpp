#include "eval/vbscript/vm/error_handling.h"

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
  rt.err.helpFile = own ? rt.raised.helpFile : std::string();
  rt.err.helpContext = own ? rt.raised.helpContext : 0;
}

Value errProperty(const Runtime& rt, std::int32_t property) {
  const ErrState& e = rt.err;
  switch (property) {
    case 0:
      return Value::longInt(e.number);
    case 1:
      return Value::string(e.description);
    case 2:
      return Value::string(e.source);
    case 3:
      return Value::string(e.helpFile);
    default:
      return Value::longInt(e.helpContext);
  }
}

void errSet(Runtime& rt, std::int32_t property, const Value& v) {
  ErrState& e = rt.err;
  switch (property) {
    case 0: e.number = v.toLong(); break;
    case 1: e.description = v.toText(); break;
    case 2: e.source = v.toText(); break;
    case 3: e.helpFile = v.toText(); break;
    default: e.helpContext = v.toLong(); break;
  }
}

std::int32_t errRaiseNumber(const Value& v) {
  const std::int32_t number = v.toLong();
  if (number == 0) raise(err::InvalidCall);
  return number;
}

void errRaise(Runtime& rt, const Value* args, unsigned given) {
  RaisedError& r = rt.raised;
  const auto has = [given](int i) { return (given & (1u << i)) != 0; };
  r.number = args[0].rawWhole();
  r.source = has(1) ? args[1].toText() : std::string(kRuntimeSource);
  if (has(2)) r.description = args[2].toText();
  else if (const std::string_view d = describeError(r.number); !d.empty()) r.description = std::string(d);
  else r.description = "Unknown runtime error";
  r.helpFile = has(3) ? args[3].toText() : std::string();
  r.helpContext = has(4) ? args[4].toLong() : 0;
  throw ScriptError{r.number, r.description};
}

}  // namespace zorvan::vbs
