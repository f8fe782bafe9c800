#include "eval/vbscript_engine.h"

#include <cstdlib>
#include <string_view>

#include "eval/vbscript/front/lexer.h"
#include "eval/vbscript/plan/numeric_plan.h"
#include "eval/vbscript/compile.h"
#include "eval/vbscript/listing.h"
#include "eval/vbscript/bytecode/purity.h"
#include "eval/vbscript/vm/runtime.h"
#include "eval/vbscript/vm/dynamic_code.h"
#include "eval/vbscript/vm/interpreter.h"
#include "eval/vbscript/vm/watchdog.h"

namespace zorvan {

namespace vbs {
struct EngineState {
  Module module;
  Runtime runtime;
  Watchdog watchdog{VBScriptEngine::kDefaultTimeout};
  // A direct call's loop met the abort flag: the run that follows fails at once.
  bool directAborted = false;
};
}  // namespace vbs

namespace {

// Whether the environment leaves a default on: the variable unset, empty or 0.
bool notTurnedOff(const char* variable) {
  const char* off = std::getenv(variable);
  return off == nullptr || *off == '\0' || std::string_view(off) == "0";
}

}  // namespace

bool VBScriptOptions::defaultFastPaths() { return notTurnedOff("ZORVAN_NO_FAST_PATHS"); }
bool VBScriptOptions::defaultNativeCode() { return notTurnedOff("ZORVAN_NO_NATIVE_CODE"); }

VBScriptEngine::VBScriptEngine(VBScriptOptions options)
    : options_(options), state_(std::make_unique<vbs::EngineState>()) {
  state_->runtime.setAbortFlag(state_->watchdog.abortFlag());
  vbs::EngineState& state = *state_;
  const bool fast = options_.fastPaths;
  state.runtime.scriptText = [&state, fast](int kind, std::string_view text, const vbs::LocalScope* scope,
                                            vbs::Slot* regs, Value& result) {
    return vbs::runScriptText(state.module, state.runtime, static_cast<vbs::Special>(kind), text, scope, regs, fast,
                              result);
  };
  state.runtime.findProcedure = [&state](std::string_view key) -> const vbs::Procedure* {
    const auto it = state.module.procedures.find(std::string(key));
    return it == state.module.procedures.end() ? nullptr : it->second.get();
  };
  state.runtime.findGlobal = [&state](std::string_view key) {
    const auto it = state.module.globals.find(std::string(key));
    return it == state.module.globals.end() ? -1 : it->second;
  };
}

VBScriptEngine::~VBScriptEngine() = default;

void VBScriptEngine::setTimeout(std::chrono::milliseconds limit) { state_->watchdog.setLimit(limit); }

void VBScriptEngine::interrupt() { state_->watchdog.interrupt(); }

void VBScriptEngine::reset() {
  state_->module = vbs::Module{};
  state_->runtime.globals.clear();
  state_->runtime.err.clear();
  state_->directAborted = false;
}

void VBScriptEngine::fail(ScriptError e) {
  if (e.number == err::TimedOut && state_->watchdog.interrupted()) {
    // Ended at the user's request: nothing to report.
    lastError_ = errorOf(err::Interrupted);
    return;
  }
  lastError_ = std::move(e);
  notify(lastError_);
}

bool VBScriptEngine::addCode(std::string_view code) {
  return guarded([&] {
           vbs::Watchdog::Run watched(state_->watchdog);
           state_->runtime.beginHostCall();
           state_->module.retiredCode.clear();  // nothing runs between host calls
           vbs::addGlobalCode(state_->module, state_->runtime, code, options_.fastPaths, /*located=*/true);
           return true;
         })
      .value_or(false);
}

namespace {

// A plan without loops raises nothing and ends at once, so it needs no
// watch; one with loops runs in machine code under the watch on the
// time-out, and where its loop is cut off, the run the caller then asks for
// fails with the time-out. The plan is read at each call: code a run adds
// may declare the procedure again.
[[gnu::noinline]] FastResult runLoopingDirect(const vbs::NumericPlan* plan, void* engine, double x) {
  if (plan->native == nullptr) return FastResult::bailedOut();
  auto& state = *static_cast<vbs::EngineState*>(engine);
  const vbs::Watchdog::Run watched(state.watchdog);
  const FastResult r = plan->native->run(x, state.watchdog.abortFlag());
  if (r.tag == FastResult::kAborted) {
    state.directAborted = true;
    return FastResult::bailedOut();
  }
  return r;
}

FastResult runDirect(const void* procedure, void* engine, double x) {
  const vbs::NumericPlan* plan = static_cast<const vbs::Procedure*>(procedure)->plan.get();
  if (plan == nullptr) return FastResult::bailedOut();
  if (!plan->loops) [[likely]]
    return vbs::runLoopFreePlan(*plan, x);
  return runLoopingDirect(plan, engine, x);
}

}  // namespace

PreparedProcedure VBScriptEngine::prepare(std::string_view procedure) {
  const auto& procedures = state_->module.procedures;
  const auto it = procedures.find(foldCase(procedure));
  if (it == procedures.end()) return PreparedProcedure();
  // A procedure the host prepares is one it is about to call many times.
  if (options_.nativeCode) it->second->plan = vbs::withNativeCode(it->second->plan);
  return PreparedProcedure(it->second.get(), runDirect, state_.get());
}

bool VBScriptEngine::isPure(PreparedProcedure procedure) const {
  return procedure && vbs::isPure(*static_cast<const vbs::Procedure*>(procedure.get()));
}

std::optional<Value> VBScriptEngine::run(PreparedProcedure procedure, std::span<const Value> args) {
  if (!procedure) {
    lastError_ = errorOf(err::ProcedureNotDefined);
    return std::nullopt;
  }
  const auto& p = *static_cast<const vbs::Procedure*>(procedure.get());
  if (state_->directAborted) [[unlikely]] {
    state_->directAborted = false;
    return guarded([]() -> Value { raise(err::TimedOut); });
  }
  // A plan without loops is the handle's direct call, which callers try
  // before run; one with loops runs here, inside the watch on the time-out.
  const vbs::NumericPlan* looping =
      p.plan && p.plan->loops && args.size() == 1 && args[0].isDouble() ? p.plan.get() : nullptr;
  return guarded([&] {
    vbs::Watchdog::Run watched(state_->watchdog);
    state_->runtime.beginHostCall();
    state_->module.retiredCode.clear();  // nothing runs between host calls
    if (looping != nullptr) {
      const FastResult r = vbs::runPlan(*looping, args[0].rawDouble(), &state_->runtime);
      if (r.done()) return Value::ofKind(static_cast<VType>(r.tag), r.value);
    }
    return vbs::callFromHost(p, state_->runtime, args.data(), args.size());
  });
}

std::string VBScriptEngine::listing() const { return vbs::listModule(state_->module); }

}  // namespace zorvan
