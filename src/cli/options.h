#pragma once
// zorvan-cli's command line.

#include <optional>
#include <string>
#include <vector>

#include "solver/clock.h"

namespace zorvan::cli {

enum class Command { Help, Version, Eval, Solve, Plot, Dump };

struct Options {
  Command command = Command::Help;
  std::string functionText;
  std::vector<std::string> points;  // eval
  bool interval = true;             // solve, plot
  std::string lower, upper, approx;
  bool nonNegative = true;
  std::optional<FixedClock> clock;
  std::optional<double> timeLimit;  // seconds
  bool json = false;                // solve and eval
  std::string output;               // plot: FILE.svg or FILE.png
};

struct Parsed {
  Options options;
  std::string error;  // empty when the line is valid
};

// Long options take their value as the next word or after '=' (--clock=12:00:00).
Parsed parse(const std::vector<std::string>& args);

}  // namespace zorvan::cli
