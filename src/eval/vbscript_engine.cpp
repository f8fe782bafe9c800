#include "eval/vbscript_engine.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

#include "eval/vbscript/lexer.h"
#include "eval/vbscript/numeric_procedure.h"

namespace zorvan {

VBScriptEngine::VBScriptEngine() : watchdog_(kDefaultTimeout) { runtime_.setAbortFlag(watchdog_.abortFlag()); }

void VBScriptEngine::reset() {
  module_ = vbs::Module{};
  runtime_.globals.clear();
  runtime_.err.clear();
  lastName_ = NameKey();
  lastProcedure_ = nullptr;
}

void VBScriptEngine::fail(ScriptError e) {
  if (e.number == err::TimedOut && watchdog_.interrupted()) {
    // Ended at the user's request: nothing to report.
    lastError_ = ScriptError{err::Interrupted, std::string(describeError(err::Interrupted))};
    return;
  }
  lastError_ = std::move(e);
  notify(lastError_);
}

bool VBScriptEngine::addCode(std::string_view code) {
  return guarded([&] {
           vbs::CodeUnit unit = vbs::compile(code, module_);
           vbs::merge(module_, unit);
           runtime_.globals.resize(static_cast<std::size_t>(module_.globalCount));
           vbs::Watchdog::Run watched(watchdog_);
           runtime_.beginHostCall();
           vbs::Frame frame{nullptr, &runtime_};
           vbs::runBlock(unit.globalCode, frame);
           return true;
         })
      .value_or(false);
}

const vbs::Procedure* VBScriptEngine::find(std::string_view name) {
  if (lastProcedure_ != nullptr && lastName_.matches(name)) return lastProcedure_;
  const auto it = module_.procedures.find(vbs::foldCase(name));
  if (it == module_.procedures.end()) return nullptr;
  lastName_ = NameKey(name);
  lastProcedure_ = it->second.get();
  return lastProcedure_;
}

VBScriptEngine::NameKey::NameKey(std::string_view name) : text(name) {
  std::memcpy(&head, text.data(), std::min<std::size_t>(text.size(), sizeof head));
}

bool VBScriptEngine::NameKey::matches(std::string_view name) const {
  if (name.size() != text.size()) return false;
  std::uint64_t h = 0;
  std::memcpy(&h, name.data(), std::min<std::size_t>(name.size(), sizeof h));
  return h == head && (name.size() <= sizeof h || name == text);
}

std::optional<Value> VBScriptEngine::run(std::string_view procedure, std::span<const Value> args) {
  const vbs::Procedure* p = find(procedure);
  if (p == nullptr) {
    lastError_ = ScriptError{err::ProcedureNotDefined, std::string(describeError(err::ProcedureNotDefined))};
    return std::nullopt;
  }
  if (p->numeric && !p->numeric->loops()) {
    // Straight-line numbers: nothing to time, nothing that can fail but by leaving the fast path.
    Value result;
    if (p->numeric->run(runtime_, args.data(), args.size(), result)) return result;
  }
  return guarded([&] {
    vbs::Watchdog::Run watched(watchdog_);
    Value result;
    if (p->numeric && p->numeric->loops() && p->numeric->run(runtime_, args.data(), args.size(), result))
      return result;
    runtime_.beginHostCall();
    return vbs::callFromHost(*p, runtime_, args.data(), args.size());
  });
}

}  // namespace zorvan
