#include "solver/plot_samples.h"

#include <cmath>

#include "eval/user_function.h"

namespace zorvan {

namespace {
std::optional<double> valueAt(ScriptEngine& engine, double x) {
  const std::optional<Value> v = FNF(engine, Value(x));
  if (!v) return std::nullopt;
  try {
    const double d = v->toDouble();
    if (std::isfinite(d)) return d;
  } catch (const ScriptError&) {
  }
  return std::nullopt;
}
}  // namespace

PlotData samplePlot(ScriptEngine& engine, std::string_view functionText, double from, double to,
                    const std::vector<double>& roots, int points) {
  PlotData data;
  if (from > to) std::swap(from, to);
  if (!(to - from > 0)) from -= 1, to += 1;  // a single point: show some room round it
  data.from = from;
  data.to = to;
  engine.reset();
  if (!engine.addCode(buildScript(functionText))) return data;
  std::vector<PlotPoint> run;
  for (int i = 0; i < points; ++i) {
    const double x = from + (to - from) * i / (points - 1);
    if (const std::optional<double> y = valueAt(engine, x)) {
      run.push_back({x, *y});
    } else if (!run.empty()) {
      data.runs.push_back(std::move(run));
      run.clear();
    }
  }
  if (!run.empty()) data.runs.push_back(std::move(run));
  for (double r : roots) data.roots.push_back({r, valueAt(engine, r), formatDouble(FNRO(Value(r)))});
  return data;
}

}  // namespace zorvan
