#pragma once
// Everything the search needs from outside it. The Solve command, the tests
// and the benchmarks each supply their own.

#include <string_view>

#include "common/value.h"

namespace zorvan {

class SearchServices {
 public:
  virtual ~SearchServices() = default;

  // f(x) through FNF; throws ScriptError when the evaluation fails.
  virtual Value evaluate(const Value& x) = 0;
  // Appends text (a whole line with its CR LF) to the results box.
  virtual void appendResult(std::string_view text) = 0;
  // Told of each root just before its line is appended.
  virtual void noteRoot(const Value& /*root*/) {}
  // Shows a modal message box; returns when it is acknowledged.
  virtual void showMessage(std::string_view text) = 0;

  // The clock: the time of day in seconds since midnight, and the minute
  // and the second of the current time.
  virtual float secondsSinceMidnight() = 0;
  virtual int minute() = 0;
  virtual int second() = 0;

  // The random generator: reseed, and draw (a > 0: the next number; a = 0:
  // the number of the previous draw again).
  virtual void reseed(float seed) = 0;
  virtual float draw(double a) = 0;
};

// Thrown by a service to end the whole search at once (the engine timed out,
// or the user cancelled); the step-failure policy does not catch it.
struct SearchAborted {};

}  // namespace zorvan
