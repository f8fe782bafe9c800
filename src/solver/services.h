#pragma once
// What the search needs from outside it: f, the front end that hosts the
// Solve (results box, message boxes, clock, the user's cancel) and the random
// generator. The window, zorvan-cli, the tests and the benchmarks each supply
// their own host; the Solve command supplies f through FNF.

#include <string>
#include <string_view>

#include "common/value.h"
#include "solver/clock.h"
#include "solver/random.h"

namespace zorvan {

// One root as the search reports it.
struct ReportedRoot {
  std::string line;  // the results line, with its CR LF
  Value root;        // the root at full precision
  double rounded;    // the root as the line shows it
  Value value;       // f at the root
};

// The one interface between a Solve and the front end it runs in.
class SolveHost {
 public:
  virtual ~SolveHost() = default;
  // Appends root.line to the results box.
  virtual void appendResult(const ReportedRoot& root) = 0;
  // A modal message box with the caption "Zorvan"; returns on OK.
  virtual void showMessage(std::string_view text) = 0;
  virtual Clock& clock() = 0;
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
