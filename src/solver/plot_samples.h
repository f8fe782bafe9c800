#pragma once
// Fresh samples of f for a picture: a few hundred evenly spaced points, in
// runs broken where f fails, is not a finite number or jumps across a pole,
// and f at each root.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eval/engine.h"
#include "solver/solve_command.h"

namespace zorvan {

struct PlotPoint {
  double x, y;
};

struct PlotRoot {
  double x;
  std::optional<double> y;  // f at the root, where it is a number
  std::string label;        // the rounded value, as the results line shows it
};

struct PlotData {
  std::string functionText;  // what was plotted, as the user wrote it
  double from = 0, to = 0;
  std::vector<std::vector<PlotPoint>> runs;  // a gap between runs where f failed
  std::vector<PlotRoot> roots;
  // Sampling stopped early, at a run that timed out or at a stop: the runs
  // cover only the first part of the range.
  bool cutShort = false;
};

// All the sampling of one picture may take.
inline constexpr std::chrono::milliseconds kPlotBudget{10000};

// Loads the function into the engine (its own, so that the search's engine
// and its globals stay untouched) and samples it on [from, to]. The first
// run that times out or is interrupted, a true from stopRequested before a
// point, or the budget running out ends the sampling: a slow f must not cost
// its time-out 400 times over.
PlotData samplePlot(ScriptEngine& engine, std::string_view functionText, double from, double to,
                    const std::vector<double>& roots, int points = 400,
                    const std::function<bool()>& stopRequested = {},
                    std::chrono::milliseconds budget = kPlotBudget);

// f by the samples, between neighbouring points of a run; empty where the
// curve has a gap or outside the samples.
std::optional<double> valueNear(const PlotData& data, double x);

// The picture of what a Solve searched: its span and its roots. After the
// search was cut off by the engine's time-out nothing is sampled, since f
// would only time out again, and the data says it was cut short.
PlotData plotOfSolve(ScriptEngine& engine, std::string_view functionText, const SolveSummary& summary,
                     const std::function<bool()>& stopRequested = {});

}  // namespace zorvan
