#pragma once
// The engine behind the user's function: our own interpreter of VBScript.

#include <memory>
#include <string>

#include "eval/engine.h"
#include "eval/vbscript/parser.h"
#include "eval/vbscript/runtime.h"
#include "eval/vbscript/watchdog.h"

namespace zorvan {

class VBScriptEngine final : public ScriptEngine {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{10000};

  VBScriptEngine();

  void reset() override;
  bool addCode(std::string_view code) override;
  std::optional<Value> run(std::string_view procedure, std::span<const Value> args) override;
  const ScriptError& lastError() const override { return lastError_; }
  void setTimeout(std::chrono::milliseconds limit) override { watchdog_.setLimit(limit); }
  void interrupt() override { watchdog_.interrupt(); }

 private:
  const vbs::Procedure* find(std::string_view name);
  void fail(ScriptError e);

  vbs::Module module_;
  vbs::Runtime runtime_;
  vbs::Watchdog watchdog_;
  ScriptError lastError_;
  // The search runs one procedure many times: remember the last one found.
  std::string lastName_;
  const vbs::Procedure* lastProcedure_ = nullptr;
};

}  // namespace zorvan
