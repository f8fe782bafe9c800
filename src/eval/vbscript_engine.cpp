#include "eval/vbscript_engine.h"

#include <new>
#include <stdexcept>

#include "eval/vbscript/lexer.h"

namespace zorvan {

VBScriptEngine::VBScriptEngine() : watchdog_(kDefaultTimeout) { runtime_.setAbortFlag(watchdog_.abortFlag()); }

void VBScriptEngine::reset() {
  module_ = vbs::Module{};
  runtime_.globals.clear();
  lastName_.clear();
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

namespace {
// Names are a few characters: a plain loop beats a call of memcmp.
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}
}  // namespace

const vbs::Procedure* VBScriptEngine::find(std::string_view name) {
  if (lastProcedure_ != nullptr && sameName(name, lastName_)) return lastProcedure_;
  const auto it = module_.procedures.find(vbs::foldCase(name));
  if (it == module_.procedures.end()) return nullptr;
  lastName_ = name;
  lastProcedure_ = it->second.get();
  return lastProcedure_;
}

std::optional<Value> VBScriptEngine::run(std::string_view procedure, std::span<const Value> args) {
  const vbs::Procedure* p = find(procedure);
  if (p == nullptr) {
    lastError_ = ScriptError{err::ProcedureNotDefined, std::string(describeError(err::ProcedureNotDefined))};
    return std::nullopt;
  }
  return guarded([&] {
    vbs::Watchdog::Run watched(watchdog_);
    runtime_.beginHostCall();
    return vbs::callFromHost(*p, runtime_, args.data(), args.size());
  });
}

}  // namespace zorvan
