// Whole searches through the Solve command's path (engine, FNF, SolveNow):
// evaluations and time per search, and the share of it spent outside FNF.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

#include "eval/user_function.h"
#include "eval/vbscript_engine.h"
#include "ratio_report.h"
#include "common/random.h"
#include "solver/solve_now.h"

namespace {

using zorvan::Value;

// FNF on the engine, with a frozen clock and silent boxes; it can record the
// points it is asked for.
class BenchServices final : public zorvan::Evaluator, public zorvan::SolveHost {
 public:
  operator zorvan::SearchServices() { return {*this, *this, random_}; }
  explicit BenchServices(zorvan::VBScriptEngine& engine) : engine_(engine), userFN_(engine, zorvan::Recall::Recent) {}
  Value evaluate(const Value& x) override {
    if (record) points.push_back(x);
    std::optional<Value> v = zorvan::FNF(userFN_, x);
    if (!v) throw engine_.lastError();
    return std::move(*v);
  }
  void appendResult(const zorvan::ReportedRoot&) override { ++lines; }
  void showMessage(std::string_view) override { ++messages; }
  zorvan::Clock& clock() override { return clock_; }

  bool record = false;
  std::vector<Value> points;
  long lines = 0, messages = 0;

 private:
  zorvan::VBScriptEngine& engine_;
  const zorvan::UserFunction userFN_;
  zorvan::RandomGenerator random_;
  zorvan::FixedClock clock_{12, 34, 56};
};

double secondsOf(auto&& work, int repeats) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeats; ++i) work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / repeats;
}

// Times whole searches; then replays the same evaluations through FNF alone,
// so that the share of the search's time spent outside FNF is measured
// without a clock reading per evaluation.
void search(benchmark::State& state, const char* text, double lower, double upper) {
  zorvan::VBScriptEngine engine;
  engine.addCode(zorvan::buildScript(text));
  BenchServices svc(engine);
  const Value lo(lower), hi(upper);
  svc.record = true;
  zorvan::SolveNow(lo, hi, true, svc);
  svc.record = false;
  const std::vector<Value> points = svc.points;
  const zorvan::UserFunction userFN(engine, zorvan::Recall::Recent);
  svc.lines = svc.messages = 0;
  long searches = 0;
  for (auto _ : state) {
    zorvan::SolveNow(lo, hi, true, svc);
    ++searches;
  }
  // Counted over the timed searches only, before the replay below adds more.
  state.counters["lines/search"] = static_cast<double>(svc.lines) / static_cast<double>(searches);
  state.counters["boxes/search"] = static_cast<double>(svc.messages) / static_cast<double>(searches);
  const int repeats = 20;
  const double whole = secondsOf([&] { zorvan::SolveNow(lo, hi, true, svc); }, repeats);
  const double fnfOnly = secondsOf(
      [&] {
        for (const Value& x : points) benchmark::DoNotOptimize(zorvan::FNF(userFN, x));
      },
      repeats);
  state.counters["evals/search"] = static_cast<double>(points.size());
  state.counters["outside_FNF_%"] = 100.0 * (whole - fnfOnly) / whole;
}

// Many turning cells: every cell of the samples turns without a sign change,
// so each costs three probes and a 77-evaluation zoom.
constexpr const char* kTurning = "MyFunction = 2 + Sin(400 * x)";

// The constructed worst case: f is finite everywhere but its products
// overflow, so many of the search's own steps fail.
BENCHMARK_CAPTURE(search, overflowing_steps, "MyFunction = 1E200*(x*x+1)", -1, 1)
    ->Name("search/overflowing_steps")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(search, start_text_0_5, "MyFunction = x*x - x*Cos(x) -6\r\n", 0, 5)
    ->Name("search/start_text_0_5")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(search, no_root, "MyFunction = x*x + 1", -1, 1)
    ->Name("search/no_root_four_attempts")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(search, turning_cells, kTurning, 0, 10)
    ->Name("search/turning_cells")->Unit(benchmark::kMillisecond);

// A function that fails at every point, at the bottom of a recursion: each
// evaluation ends in error 28 some three thousand calls deep, and what that
// failure costs on its way back up is most of the search.
constexpr const char* kUnboundedRecursion =
    "MyFunction = R(x)\r\nUserFN = MyFunction\r\nEnd Function\r\n"
    "Function R(t)\r\n  R = R(t) + 1\r\nEnd Function\r\nFunction Unused()";
BENCHMARK_CAPTURE(search, failing_recursion, kUnboundedRecursion, -1, 1)
    ->Name("search/failing_recursion")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return zorvan::bench::runWithRatios(argc, argv, "none"); }
