// zorvan-cli: the Solve command and the function's evaluation without a window.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_host.h"
#include "cli/options.h"
#include "cli/plot_command.h"
#include "cli/run_control.h"
#include "common/leading_number.h"
#include "common/number_text.h"
#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "solver/plot_samples.h"
#include "solver/solve_command.h"

using namespace zorvan;

namespace {

// Exit codes.
constexpr int kFailed = 1;       // the script did not compile, a number did not fit, a file was not written
constexpr int kUsage = 2;        // the command line is wrong
constexpr int kTimeLimit = 3;    // --time-limit ran out
constexpr int kInterrupted = 130;  // Ctrl-C, as a shell reports it

constexpr const char* kHelp =
    "Usage: zorvan-cli COMMAND [OPTION]...\n"
    "Find the real roots of f(x) = 0, where f is VBScript that assigns MyFunction\n"
    "in terms of x, without a window.\n"
    "\n"
    "Commands:\n"
    "  eval [FUNCTION] X... [--json]\n"
    "                              print f at each X: its type and text, or the error\n"
    "  solve [FUNCTION] MODE [SEARCH] [--json]\n"
    "                              search for roots and print each results line, and\n"
    "                              each message box as 'message: TEXT'\n"
    "  plot [FUNCTION] MODE [SEARCH] --output FILE.svg|FILE.png\n"
    "                              search, then draw f over what the search covered,\n"
    "                              with the roots it found\n"
    "  dump [FUNCTION]             print each procedure of the compiled function as\n"
    "                              it runs: its bytecode, its numeric plan, if it has\n"
    "                              one, and the plan's machine code\n"
    "\n"
    "FUNCTION, without which f is \"MyFunction = x*x - x*Cos(x) -6\":\n"
    "  --function TEXT             the function's VBScript text\n"
    "  --function-file PATH        the function's text from a file\n"
    "MODE, one of:\n"
    "  --interval LOWER UPPER      search within the interval\n"
    "  --approx X                  start with the approximation X\n"
    "SEARCH:\n"
    "  --non-negative 0|1          with --approx 0: ask for a non-negative root (1,\n"
    "                              the default) or not (0)\n"
    "  --clock HH:MM:SS            freeze the clock the search reads, so that an\n"
    "                              interval search repeats exactly\n"
    "  --time-limit SECONDS        end the run cleanly after SECONDS\n"
    "  --json                      (solve) print one JSON object per line instead:\n"
    "                              {\"event\":\"result\",\"line\":TEXT,\"root\":ROUNDED,\n"
    "                               \"root_full\":ROOT,\"value\":F} for a results line,\n"
    "                              {\"event\":\"message\",\"kind\":\"info\",\"text\":TEXT} for\n"
    "                              a message box of the search, and\n"
    "                              {\"event\":\"message\",\"kind\":\"error\",\"number\":N,\n"
    "                               \"line\":L,\"column\":C,\"text\":TEXT} for a script error,\n"
    "                              L and C its place in the function's text;\n"
    "                              (eval) one object per X: {\"x\":X,\"type\":TYPE,\n"
    "                               \"value\":F,\"text\":TEXT} or {\"x\":X,\"error\":true,\n"
    "                               \"number\":N,\"line\":L,\"column\":C,\"text\":TEXT}\n"
    "  -h, --help                  print this help and exit\n"
    "  -V, --version               print the version and exit\n"
    "\n"
    "Numbers are read as the window's boxes read them: the longest leading number,\n"
    "with a period as the decimal separator.\n"
    "\n"
    "Exit status: 0 when the command ran, 1 when the script did not compile, a\n"
    "number does not fit a double or the picture was not written, 2 for a wrong\n"
    "command line, 3 when --time-limit ran out, 130 when interrupted (Ctrl-C).\n";

int usageError(const std::string& message) {
  std::cerr << "zorvan-cli: " << message << "\nTry 'zorvan-cli --help' for more information.\n";
  return kUsage;
}

// One line for f at x (x empty where the script did not compile): as text,
// "TYPE TEXT" or the error; as JSON, the value's type and text, or the error
// and where in the function's text it arose.
void printEvaluation(const cli::Options& o, const std::string* x, const Value* v, const ScriptError* e) {
  if (e != nullptr) {
    if (!o.json) std::cout << errorText(*e) << "\n";
    else
      std::cout << "{" << (x != nullptr ? R"("x":)" + cli::jsonString(*x) + "," : std::string()) << R"("error":true,)"
                << cli::jsonErrorMembers(placedInUserText(*e, o.functionText)) << "}\n";
    return;
  }
  // Empty, Null, Nothing and arrays have a type but no text.
  const bool hasText = !v->isEmpty() && !v->isNull() && !v->isObject() && !v->isArray();
  if (!o.json) {
    std::cout << typeName(v->type()) << (hasText ? " " + v->toText() : std::string()) << "\n";
    return;
  }
  std::cout << "{" << R"("x":)" << cli::jsonString(*x) << ",";
  std::cout << R"("type":)" << cli::jsonString(typeName(v->type())) << R"(,"value":)" << cli::jsonValue(*v)
            << R"(,"text":)" << (hasText ? cli::jsonString(v->toText()) : "null") << "}\n";
}

int runEval(const cli::Options& o) {
  VBScriptEngine engine;
  engine.reset();
  if (!engine.addCode(buildScript(o.functionText))) {
    printEvaluation(o, nullptr, nullptr, &engine.lastError());
    return kFailed;
  }
  const UserFunction userFN(engine);
  for (const std::string& arg : o.points) {
    Value x;
    try {
      x = Value(leadingNumber(arg));
    } catch (const ScriptError& e) {
      printEvaluation(o, &arg, nullptr, &e);
      continue;
    }
    if (std::optional<Value> v = FNF(userFN, x)) printEvaluation(o, &arg, &*v, nullptr);
    else printEvaluation(o, &arg, nullptr, &engine.lastError());
  }
  return 0;
}

int runDump(const cli::Options& o) {
  VBScriptEngine engine;
  engine.reset();
  if (!engine.addCode(buildScript(o.functionText))) {
    std::cout << errorText(placedInUserText(engine.lastError(), o.functionText)) << "\n";
    return kFailed;
  }
  std::cout << engine.listing();
  return 0;
}

// The first of the number texts the search reads that does not fit a double.
std::string unreadableNumber(const cli::Options& o) {
  const std::vector<std::string> texts = o.interval ? std::vector{o.lower, o.upper} : std::vector{o.approx};
  for (const std::string& t : texts) {
    try {
      leadingNumber(t);
    } catch (const ScriptError&) {
      return t;
    }
  }
  return {};
}

// The exit for a run the time limit or a signal ended, with its one line.
std::optional<int> stopped(const cli::RunControl& control) {
  switch (control.stop()) {
    case cli::RunControl::Stop::None:
      return std::nullopt;
    case cli::RunControl::Stop::TimeLimit:
      std::cerr << "zorvan-cli: the time limit ran out; the search was ended there\n";
      return kTimeLimit;
    case cli::RunControl::Stop::Signal:
      std::cerr << "zorvan-cli: interrupted; the search was ended there\n";
      return kInterrupted;
  }
  return std::nullopt;
}

// Runs the Solve command the way the window does, printing what it shows.
// Returns the exit code when the run ends here.
std::optional<int> solve(const cli::Options& o, SolveCommand& command, VBScriptEngine& engine,
                         cli::RunControl& control) {
  SystemClock systemClock;
  std::optional<FixedClock> fixed = o.clock;
  cli::ConsoleHost host(std::cout, fixed ? static_cast<Clock&>(*fixed) : systemClock, o.json, control);
  SolveRequest request;
  request.functionText = o.functionText;
  request.intervalSelected = o.interval;
  request.lowerText = o.lower;
  request.upperText = o.upper;
  request.approxText = o.approx;
  request.nonNegativeChecked = o.nonNegative;
  control.watch(&engine);
  const SolveOutcome outcome = command.run(request, host);
  control.watch(nullptr);
  if (const std::optional<int> code = stopped(control)) return code;
  switch (outcome) {
    case SolveOutcome::Searched:
      return std::nullopt;
    case SolveOutcome::NotCompiled:
      return kFailed;
    case SolveOutcome::NoSearch:
      std::cerr << "zorvan-cli: '" << unreadableNumber(o) << "' does not fit a double; no search ran\n";
      return kFailed;
  }
  return kFailed;
}

int runSolve(const cli::Options& o, cli::RunControl& control) {
  VBScriptEngine engine;
  SolveCommand command(engine);
  return solve(o, command, engine, control).value_or(0);
}

int runPlot(const cli::Options& o, cli::RunControl& control, int argc, char** argv) {
  VBScriptEngine engine;
  SolveCommand command(engine);
  if (const std::optional<int> code = solve(o, command, engine, control)) return *code;
  const SolveSummary& summary = command.lastSummary();
  VBScriptEngine plotEngine;  // its own, as the window's plot has
  control.watch(&plotEngine);
  const PlotData data = plotOfSolve(plotEngine, o.functionText, summary, [&control] { return control.stopRequested(); });
  control.watch(nullptr);
  if (const std::optional<int> code = stopped(control)) return *code;
  if (data.cutShort) std::cerr << "zorvan-cli: f took too long at a point; the picture shows only what came before\n";
  std::string error;
  if (!cli::writePlot(data, o.output, argc, argv, error)) {
    std::cerr << "zorvan-cli: " << error << "\n";
    return kFailed;
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
      std::cout << kHelp;
      return 0;
    case cli::Command::Version:
      std::cout << "zorvan-cli " << ZORVAN_VERSION << "\nLicense MIT: the Zorvan developers.\n";
      return 0;
    case cli::Command::Eval:
      return runEval(o);
    case cli::Command::Dump:
      return runDump(o);
    case cli::Command::Solve: {
      cli::RunControl control(o.timeLimit);
      return runSolve(o, control);
    }
    case cli::Command::Plot: {
      cli::RunControl control(o.timeLimit);
      return runPlot(o, control, argc, argv);
    }
  }
  return kUsage;
}
