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

// f through FNF, counting the evaluations and the span of x they cover.
class CommandFunction final : public Evaluator {
 public:
  CommandFunction(ScriptEngine& engine, SolveHost& host, SolveSummary& summary)
      : engine_(engine), userFN_(engine, Recall::Recent), host_(host), summary_(summary) {}

  Value evaluate(const Value& x) override {
    if (host_.cancelRequested()) cancel();
    track(x);
    if (std::optional<Value> v = FNF(userFN_, x)) return std::move(*v);
    const ScriptError& e = engine_.lastError();
    if (e.number == err::Interrupted) cancel();
    if (e.number == err::TimedOut) {
      summary_.timedOut = true;
      throw SearchAborted{};  // every further run would wait as long again
    }
    throw e;
  }

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
  const UserFunction userFN_;  // prepared once the script is added
  SolveHost& host_;
  SolveSummary& summary_;
};

// The front end's host, noting each reported root in the summary on the way.
class SummaryHost final : public SolveHost {
 public:
  SummaryHost(SolveHost& host, SolveSummary& summary) : host_(host), summary_(summary) {}
  void appendResult(const ReportedRoot& root) override {
    try {
      summary_.roots.push_back(root.root.toDouble());
    } catch (const ScriptError&) {
    }
    host_.appendResult(root);
  }
  void showMessage(std::string_view text) override { host_.showMessage(text); }
  void showError(const ScriptError& e, std::string_view text) override { host_.showError(e, text); }
  Clock& clock() override { return host_.clock(); }
  void searchAt(const SearchPosition& position) override { host_.searchAt(position); }
  bool cancelRequested() override { return host_.cancelRequested(); }

 private:
  SolveHost& host_;
  SolveSummary& summary_;
};

// Shows each distinct engine error once per Solve, for as long as it lives.
class ErrorReporter {
 public:
  ErrorReporter(ScriptEngine& engine, SolveHost& host, std::string_view userText) : engine_(engine) {
    engine_.setErrorSink([this, &host, userText](const ScriptError& e) {
      if (shown_.emplace(e.number, e.description).second) host.showError(placedInUserText(e, userText), errorText(e));
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
  ErrorReporter reporter(engine_, host, request.functionText);
  summary_ = SolveSummary{};
  summary_.interval = request.intervalSelected;
  const std::string script = buildScript(request.functionText);
  engine_.reset();
  if (!engine_.addCode(script)) return SolveOutcome::NotCompiled;
  CommandFunction f(engine_, host, summary_);
  SummaryHost summaryHost(host, summary_);
  const SearchServices services{f, summaryHost, random_};
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
