// zorvan-cli: the Solve command and the function's evaluation without a window.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/plot_command.h"
#include "common/leading_number.h"
#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "solver/plot_samples.h"
#include "solver/solve_command.h"

using namespace zorvan;

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  zorvan-cli eval [--function TEXT | --function-file PATH] X [X ...]\n"
    "  zorvan-cli solve [--function TEXT | --function-file PATH]\n"
    "                   (--interval LOWER UPPER | --approx X [--non-negative 0|1])\n"
    "                   [--clock HH:MM:SS]\n"
    "  zorvan-cli plot [--function TEXT | --function-file PATH] --interval LOWER UPPER\n"
    "                  --output FILE.svg|FILE.png [--clock HH:MM:SS]\n"
    "  zorvan-cli --help | --version\n"
    "\n"
    "The function is VBScript that assigns MyFunction in terms of x; without\n"
    "--function it is \"MyFunction = x*x - x*Cos(x) -6\".\n"
    "eval prints one line per X: the value's type and text, or the error.\n"
    "solve prints each results line, and each message box as 'message: TEXT'.\n"
    "plot runs the same search and writes f with the roots it found.\n";

int usageError(const std::string& message) {
  std::cerr << "zorvan-cli: " << message << "\n" << kUsage;
  return 2;
}

// Prints what the window would show: results lines without their CR LF.
class ConsoleHost final : public SolveHost {
 public:
  explicit ConsoleHost(Clock& clock) : clock_(clock) {}
  void appendResult(std::string_view text) override {
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") text.remove_suffix(2);
    std::cout << text << "\n" << std::flush;
  }
  void showMessage(std::string_view text) override { std::cout << "message: " << text << "\n" << std::flush; }
  Clock& clock() override { return clock_; }

 private:
  Clock& clock_;
};

int runEval(const cli::Options& o) {
  VBScriptEngine engine;
  engine.reset();
  if (!engine.addCode(buildScript(o.functionText))) {
    std::cout << errorText(engine.lastError()) << "\n";
    return 1;
  }
  for (const std::string& arg : o.points) {
    Value x;
    try {
      x = Value(leadingNumber(arg));
    } catch (const ScriptError& e) {
      std::cout << errorText(e) << "\n";
      continue;
    }
    if (std::optional<Value> v = FNF(engine, x)) {
      std::cout << typeName(v->type());
      if (!v->isEmpty()) std::cout << ' ' << v->toText();
      std::cout << "\n";
    } else {
      std::cout << errorText(engine.lastError()) << "\n";
    }
  }
  return 0;
}

// Runs the Solve command the way the window does, printing what it shows.
SolveOutcome solve(const cli::Options& o, SolveCommand& command) {
  SystemClock systemClock;
  std::optional<FixedClock> fixed = o.clock;
  ConsoleHost host(fixed ? static_cast<Clock&>(*fixed) : systemClock);
  SolveRequest request;
  request.functionText = o.functionText;
  request.intervalSelected = o.interval;
  request.lowerText = o.lower;
  request.upperText = o.upper;
  request.approxText = o.approx;
  request.nonNegativeChecked = o.nonNegative;
  return command.run(request, host);
}

int runSolve(const cli::Options& o) {
  VBScriptEngine engine;
  SolveCommand command(engine);
  return solve(o, command) == SolveOutcome::Searched ? 0 : 1;
}

int runPlot(const cli::Options& o, int argc, char** argv) {
  VBScriptEngine engine;
  SolveCommand command(engine);
  if (solve(o, command) != SolveOutcome::Searched) return 1;
  const SolveSummary& summary = command.lastSummary();
  VBScriptEngine plotEngine;
  const PlotData data = samplePlot(plotEngine, o.functionText, summary.from, summary.to, summary.roots);
  std::string error;
  if (!cli::writePlot(data, o.output, argc, argv, error)) {
    std::cerr << "zorvan-cli: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  cli::Parsed parsed = cli::parse(args);
  if (!parsed.error.empty()) return usageError(parsed.error);
  const cli::Options& o = parsed.options;
  switch (o.command) {
    case cli::Command::Help:
      std::cout << kUsage;
      return 0;
    case cli::Command::Version:
      std::cout << "zorvan-cli " << ZORVAN_VERSION << "\n";
      return 0;
    case cli::Command::Eval:
      return runEval(o);
    case cli::Command::Solve:
      return runSolve(o);
    case cli::Command::Plot:
      return runPlot(o, argc, argv);
  }
  return 2;
}
