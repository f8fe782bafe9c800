#pragma once
// The engine behind the user's function: our own compiler of VBScript to
// register bytecode, and its interpreter.

#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "eval/engine.h"

namespace zorvan {

namespace vbs {
struct EngineState;
}

struct VBScriptOptions {
  // The numeric fast paths of the bytecode; off, every instruction takes its
  // general path, which must give the same results. ZORVAN_NO_FAST_PATHS in
  // the environment turns them off by default, to check exactly that.
  bool fastPaths = defaultFastPaths();
  static bool defaultFastPaths();
  // A numeric procedure the host prepares runs as machine code, where the
  // machine has a translation; off, its plan is interpreted.
  // ZORVAN_NO_NATIVE_CODE in the environment turns it off by default.
  bool nativeCode = defaultNativeCode();
  static bool defaultNativeCode();
};

class VBScriptEngine final : public ScriptEngine {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{10000};

  explicit VBScriptEngine(VBScriptOptions options = {});
  ~VBScriptEngine() override;

  void reset() override;
  bool addCode(std::string_view code) override;
  PreparedProcedure prepare(std::string_view procedure) override;
  bool isPure(PreparedProcedure procedure) const override;
  using ScriptEngine::run;
  std::optional<Value> run(PreparedProcedure procedure, std::span<const Value> args) override;
  const ScriptError& lastError() const override { return lastError_; }
  void setTimeout(std::chrono::milliseconds limit) override;
  void interrupt() override;
  // Every procedure of the code added so far, in each form it runs in:
  // bytecode, numeric plan and machine code.
  std::string listing() const;

 private:
  void fail(ScriptError e);
  // Runs work; a failure is recorded and reported, and gives nothing.
  template <class Work>
  auto guarded(Work&& work) -> std::optional<decltype(work())> {
    try {
      return work();
    } catch (ScriptError& e) {
      fail(std::move(e));
    } catch (const std::bad_alloc&) {
      fail(errorOf(err::OutOfMemory));
    } catch (const std::length_error&) {
      fail(errorOf(err::OutOfStringSpace));
    }
    return std::nullopt;
  }

  VBScriptOptions options_;
  std::unique_ptr<vbs::EngineState> state_;
  ScriptError lastError_;
};

}  // namespace zorvan
