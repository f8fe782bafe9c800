#pragma once
// What the search needs from outside it: f, the front end that hosts the
// Solve (results box, message boxes, clock, the user's cancel) and the random
// generator. The window, zorvan-cli, the tests and the benchmarks each supply
// their own host; the Solve command supplies f through FNF.

#include <string>
#include <string_view>

#include "common/value.h"
#include "solver/clock.h"
#include "common/random.h"

namespace zorvan {

// One root as the search reports it.
struct ReportedRoot {
  std::string line;  // the results line, with its CR LF
  Value root;        // the root at full precision
  double rounded;    // the root as the line shows it
  Value value;       // f at the root
};

// Where a search is: the attempt and the sampling pass of an interval
// search, or the sweep of an approximation.
struct SearchPosition {
  static constexpr int kAttempts = 4, kPasses = 2, kSweeps = 3;
  bool interval = true;
  int attempt = 0, pass = 0;  // interval: 1 to kAttempts, 1 to kPasses
  int sweep = 0;              // approximation: 1 to kSweeps
  // Interval: the scan's place among the samples once they are taken, 1 to
  // kSamples; 0 as the pass begins.
  int cell = 0;
  static constexpr int kSamples = 255;  // the samples of each pass
  static constexpr int kSweepSteps = 254;  // the most iterates of one sweep
  // Passes or sweeps already finished, out of the most a search can make.
  int done() const { return interval ? (attempt - 1) * kPasses + (pass - 1) : sweep - 1; }
  int most() const { return interval ? kAttempts * kPasses : kSweeps; }
};

// The one interface between a Solve and the front end it runs in.
class SolveHost {
 public:
  virtual ~SolveHost() = default;
  // Appends root.line to the results box.
  virtual void appendResult(const ReportedRoot& root) = 0;
  // A modal message box with the caption "Zorvan"; returns on OK.
  virtual void showMessage(std::string_view text) = 0;
  // The box of an engine error: text is "Error <number> : <description>",
  // and e says where in the user's text the error arose.
  virtual void showError(const ScriptError& /*e*/, std::string_view text) { showMessage(text); }
  virtual Clock& clock() = 0;
  // Told as each sampling pass or sweep begins (cell 0), and as the scan
  // reaches each cell it refines.
  virtual void searchAt(const SearchPosition& /*position*/) {}
  // Asked before every evaluation: true ends the search at once.
  virtual bool cancelRequested() { return false; }
};

// f(x): throws ScriptError when the evaluation fails.
class Evaluator {
 public:
  virtual ~Evaluator() = default;
  virtual Value evaluate(const Value& x) = 0;
};

struct SearchServices {
  Evaluator& f;
  SolveHost& host;
  RandomGenerator& random;
};

// Thrown to end the whole search at once (the engine timed out, or the user
// cancelled); the step-failure policy does not catch it.
struct SearchAborted {};

}  // namespace zorvan
