#pragma once
// The engine behind the user's function: our own interpreter of VBScript.

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
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
  // Runs work; a failure is recorded and reported, and gives nothing.
  template <class Work>
  auto guarded(Work&& work) -> std::optional<decltype(work())> {
    try {
      return work();
    } catch (ScriptError& e) {
      fail(std::move(e));
    } catch (const std::bad_alloc&) {
      fail(ScriptError{err::OutOfMemory, std::string(describeError(err::OutOfMemory))});
    } catch (const std::length_error&) {
      fail(ScriptError{err::OutOfStringSpace, std::string(describeError(err::OutOfStringSpace))});
    }
    return std::nullopt;
  }

  vbs::Module module_;
  vbs::Runtime runtime_;
  vbs::Watchdog watchdog_;
  ScriptError lastError_;
  // The search runs one procedure many times: remember the last one found,
  // with the first eight characters of its name as one word to compare.
  struct NameKey {
    NameKey() = default;
    explicit NameKey(std::string_view name);
    bool matches(std::string_view name) const;
    std::string text;
    std::uint64_t head = 0;
  };
  NameKey lastName_;
  const vbs::Procedure* lastProcedure_ = nullptr;
};

}  // namespace zorvan
