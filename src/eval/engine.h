#pragma once
// The script engine the user's function runs in: code is added to a module
// that reset discards, and procedures of the module are run by name. A
// compile error in addCode and a run-time error in run are first reported to
// the error sink, then the call fails.

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "common/error.h"
#include "common/value.h"
#include "eval/fast_result.h"

namespace zorvan {

// A procedure of the module found once by name, to be run many times
// without a lookup. It stays valid until the next addCode or reset; a null
// handle stands for a procedure the module does not hold.
class PreparedProcedure {
 public:
  // A call with one Double that needs no run of the engine, where the
  // engine has one: it gives the result at once, or declines and leaves the
  // call to run, which does not try it again. It never fails. Its result is
  // a FastResult.
  using Direct = FastResult (*)(const void* procedure, void* engine, double x);

  PreparedProcedure() = default;
  explicit PreparedProcedure(const void* procedure, Direct direct = nullptr, void* engine = nullptr)
      : procedure_(procedure), direct_(direct), engine_(engine) {}
  explicit operator bool() const { return procedure_ != nullptr; }
  const void* get() const { return procedure_; }
  FastResult callDirect(double x) const {
    return direct_ != nullptr ? direct_(procedure_, engine_, x) : FastResult::bailedOut();
  }
  // The same procedure, every call of which goes through run.
  PreparedProcedure withoutDirect() const { return PreparedProcedure(procedure_); }

 private:
  const void* procedure_ = nullptr;
  Direct direct_ = nullptr;
  void* engine_ = nullptr;  // what the direct call needs of the engine
};

class ScriptEngine {
 public:
  using ErrorSink = std::function<void(const ScriptError&)>;

  virtual ~ScriptEngine() = default;

  // Discards all code and global state added before.
  virtual void reset() = 0;
  // Compiles the code into the module and runs its global statements.
  virtual bool addCode(std::string_view code) = 0;
  // Finds a procedure of the module.
  virtual PreparedProcedure prepare(std::string_view procedure) = 0;
  // Whether the procedure's runs depend on their arguments alone: a run reads
  // at most the module's globals and changes nothing outside itself, so runs
  // with the same arguments give the same result until code is added or a
  // procedure that is not pure runs. False where that is not known.
  virtual bool isPure(PreparedProcedure /*procedure*/) const { return false; }
  // Runs a prepared procedure; empty on failure. A null handle fails with
  // "Procedure not defined" and no report.
  virtual std::optional<Value> run(PreparedProcedure procedure, std::span<const Value> args) = 0;
  std::optional<Value> run(std::string_view procedure, std::span<const Value> args) {
    return run(prepare(procedure), args);
  }
  // The failure of the last addCode or run that failed.
  virtual const ScriptError& lastError() const = 0;
  // A run longer than this is cut off with err::TimedOut.
  virtual void setTimeout(std::chrono::milliseconds limit) = 0;
  // Ends the run in progress, from any thread, with err::Interrupted and no
  // report; a run that starts afterwards is not affected.
  virtual void interrupt() = 0;

  void setErrorSink(ErrorSink sink) { sink_ = std::move(sink); }

 protected:
  void notify(const ScriptError& e) const {
    if (sink_) sink_(e);
  }

 private:
  ErrorSink sink_;
};

}  // namespace zorvan
