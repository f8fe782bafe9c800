#pragma once
// The Solve command, shared by the window and zorvan-cli: loads the user's
// function into the engine and runs one search with the selected approach.

#include <string>
#include <string_view>
#include <vector>

#include "eval/engine.h"
#include "common/random.h"
#include "solver/services.h"

namespace zorvan {

// The window's inputs, as the boxes hold them.
struct SolveRequest {
  std::string functionText;
  bool intervalSelected = true;
  std::string lowerText, upperText, approxText;
  bool nonNegativeChecked = true;
};

// What one Solve looked at: the span of x it searched and the roots it reported.
struct SolveSummary {
  bool interval = true;
  // Interval mode: the bounds in order; approximation mode: the span of the points evaluated.
  double from = 0, to = 0;
  std::vector<double> roots;
  long evaluations = 0;
  bool cancelled = false;
  bool timedOut = false;  // a run of f was cut off by the engine's time-out, which ended the search
};

enum class SolveOutcome {
  Searched,     // the search ran (to its end, or until the engine timed out or the user cancelled)
  NotCompiled,  // the script did not compile: its error was shown
  NoSearch,     // a number box held a value beyond a double
};

class SolveCommand {
 public:
  explicit SolveCommand(ScriptEngine& engine) : engine_(engine) {}

  // A script that does not compile shows its error once and runs no search;
  // an engine error already shown in this Solve is not shown again; a run
  // cut off by the engine's time-out ends the search.
  SolveOutcome run(const SolveRequest& request, SolveHost& host);
  const SolveSummary& lastSummary() const { return summary_; }

 private:
  ScriptEngine& engine_;
  RandomGenerator random_;
  SolveSummary summary_;
};

}  // namespace zorvan
