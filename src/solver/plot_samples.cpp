#include "solver/plot_samples.h"

#include <algorithm>
#include <cmath>

#include "eval/user_function.h"

namespace zorvan {

namespace {

class Sampler {
 public:
  Sampler(ScriptEngine& engine, const std::function<bool()>& stopRequested, std::chrono::milliseconds budget)
      : engine_(engine), userFN_(engine), stopRequested_(stopRequested), deadline_(std::chrono::steady_clock::now() + budget) {}

  // f at x where it is a finite number; empty where it fails, and for good
  // once a run has been cut off.
  std::optional<double> at(double x) {
    if (stopped_ || (stopRequested_ && stopRequested_()) || std::chrono::steady_clock::now() > deadline_) {
      stopped_ = true;
      return std::nullopt;
    }
    const std::optional<Value> v = FNF(userFN_, Value(x));
    if (!v) {
      const std::int32_t e = engine_.lastError().number;
      stopped_ = e == err::TimedOut || e == err::Interrupted;
      return std::nullopt;
    }
    try {
      const double d = v->toDouble();
      if (std::isfinite(d)) return d;
    } catch (const ScriptError&) {
    }
    return std::nullopt;
  }
  bool stopped() const { return stopped_; }

 private:
  ScriptEngine& engine_;
  const UserFunction userFN_;
  const std::function<bool()>& stopRequested_;
  std::chrono::steady_clock::time_point deadline_;
  bool stopped_ = false;
};

// Whether f has a pole, not a root, between two neighbouring samples of
// opposite sign: between them f runs past both ends, on the side of one of
// them, or fails. One more point tells.
bool poleBetween(Sampler& f, const PlotPoint& a, const PlotPoint& b) {
  const std::optional<double> mid = f.at(a.x + (b.x - a.x) / 2);
  if (!mid) return !f.stopped();
  const auto beyond = [&](double end) { return (*mid > 0) == (end > 0) && std::fabs(*mid) > std::fabs(end); };
  return beyond(a.y) || beyond(b.y);
}

}  // namespace

PlotData samplePlot(ScriptEngine& engine, std::string_view functionText, double from, double to,
                    const std::vector<double>& roots, int points, const std::function<bool()>& stopRequested,
                    std::chrono::milliseconds budget) {
  PlotData data;
  data.functionText = functionText;
  if (from > to) std::swap(from, to);
  if (!(to - from > 0)) from -= 1, to += 1;  // a single point: show some room round it
  data.from = from;
  data.to = to;
  engine.reset();
  if (!engine.addCode(buildScript(functionText))) return data;
  Sampler f(engine, stopRequested, budget);
  std::vector<PlotPoint> run;
  for (int i = 0; i < points && !f.stopped(); ++i) {
    const double x = from + (to - from) * i / (points - 1);
    if (const std::optional<double> y = f.at(x)) {
      const PlotPoint point{x, *y};
      // The curve is not drawn across a pole, as it would be with a line from one side to the other.
      if (!run.empty() && (run.back().y < 0) != (*y < 0) && run.back().y != 0 && *y != 0 &&
          poleBetween(f, run.back(), point)) {
        data.runs.push_back(std::move(run));
        run.clear();
      }
      run.push_back(point);
    } else if (!run.empty()) {
      data.runs.push_back(std::move(run));
      run.clear();
    }
  }
  if (!run.empty()) data.runs.push_back(std::move(run));
  for (double r : roots) data.roots.push_back({r, f.at(r), formatDouble(FNRO(Value(r)))});
  data.cutShort = f.stopped();
  return data;
}

std::optional<double> valueNear(const PlotData& data, double x) {
  for (const auto& run : data.runs) {
    if (run.empty() || x < run.front().x || x > run.back().x) continue;
    const auto right = std::lower_bound(run.begin(), run.end(), x, [](const PlotPoint& p, double v) { return p.x < v; });
    if (right->x == x || right == run.begin()) return right->y;
    const auto left = right - 1;
    return left->y + (right->y - left->y) * (x - left->x) / (right->x - left->x);
  }
  return std::nullopt;
}

PlotData plotOfSolve(ScriptEngine& engine, std::string_view functionText, const SolveSummary& summary,
                     const std::function<bool()>& stopRequested) {
  if (!summary.timedOut) return samplePlot(engine, functionText, summary.from, summary.to, summary.roots, 400, stopRequested);
  PlotData data;
  data.functionText = functionText;
  data.from = std::min(summary.from, summary.to);
  data.to = std::max(summary.from, summary.to);
  data.cutShort = true;
  return data;
}

}  // namespace zorvan
