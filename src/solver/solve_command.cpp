#include "solver/solve_command.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>

#include "common/leading_number.h"
#include "common/step.h"
#include "eval/user_function.h"
#include "solver/solve_now.h"

namespace zorvan {

namespace {

class CommandServices final : public SearchServices {
 public:
  CommandServices(ScriptEngine& engine, SolveHost& host, RandomGenerator& random, SolveSummary& summary)
      : engine_(engine), host_(host), random_(random), summary_(summary) {}

  Value evaluate(const Value& x) override {
    if (host_.cancelRequested()) cancel();
    track(x);
    if (std::optional<Value> v = FNF(engine_, x)) return std::move(*v);
    const ScriptError& e = engine_.lastError();
    if (e.number == err::Interrupted) cancel();
    if (e.number == err::TimedOut) throw SearchAborted{};  // every further run would wait as long again
    throw e;
  }
  void noteRoot(const Value& root) override {
    try {
      summary_.roots.push_back(root.toDouble());
    } catch (const ScriptError&) {
    }
  }
  void appendResult(std::string_view text) override { host_.appendResult(text); }
  void showMessage(std::string_view text) override { host_.showMessage(text); }
  float secondsSinceMidnight() override { return host_.clock().secondsSinceMidnight(); }
  int minute() override { return host_.clock().minute(); }
  int second() override { return host_.clock().second(); }
  void reseed(float seed) override { random_.reseed(seed); }
  float draw(double a) override { return random_.draw(a); }

 private:
  [[noreturn]] void cancel() {
    summary_.cancelled = true;
    throw SearchAborted{};
  }
  void track(const Value& x) {
    ++summary_.evaluations;
    if (summary_.interval || !x.isDouble()) return;
    const double d = x.rawDouble();
    if (summary_.evaluations == 1 || d < summary_.from) summary_.from = d;
    if (summary_.evaluations == 1 || d > summary_.to) summary_.to = d;
  }

  ScriptEngine& engine_;
  SolveHost& host_;
  RandomGenerator& random_;
  SolveSummary& summary_;
};

// Shows each distinct engine error once per Solve, for as long as it lives.
class ErrorReporter {
 public:
  ErrorReporter(ScriptEngine& engine, SolveHost& host) : engine_(engine) {
    engine_.setErrorSink([this, &host](const ScriptError& e) {
      if (shown_.emplace(e.number, e.description).second) host.showMessage(errorText(e));
    });
  }
  ~ErrorReporter() { engine_.setErrorSink(nullptr); }
  ErrorReporter(const ErrorReporter&) = delete;
  ErrorReporter& operator=(const ErrorReporter&) = delete;

 private:
  ScriptEngine& engine_;
  std::set<std::pair<std::int32_t, std::string>> shown_;
};

}  // namespace

SolveOutcome SolveCommand::run(const SolveRequest& request, SolveHost& host) {
  ErrorReporter reporter(engine_, host);
  summary_ = SolveSummary{};
  summary_.interval = request.intervalSelected;
  const std::string script = buildScript(request.functionText);
  engine_.reset();
  if (!engine_.addCode(script)) return SolveOutcome::NotCompiled;
  CommandServices services(engine_, host, random_, summary_);
  bool searched = false;
  try {
    if (request.intervalSelected) {
      step([&] {
        const Value lower(leadingNumber(request.lowerText));
        const Value upper(leadingNumber(request.upperText));
        summary_.from = std::min(lower.rawDouble(), upper.rawDouble());
        summary_.to = std::max(lower.rawDouble(), upper.rawDouble());
        searched = true;
        SolveNow(lower, upper, true, services);
      });
    } else {
      step([&] {
        const Value approx(leadingNumber(request.approxText));
        searched = true;
        SolveNow(approx, Value::integer(request.nonNegativeChecked ? 1 : 0), false, services);
      });
    }
  } catch (const SearchAborted&) {
    // The search ends here; what it reported stays.
  }
  return searched ? SolveOutcome::Searched : SolveOutcome::NoSearch;
}

}  // namespace zorvan
