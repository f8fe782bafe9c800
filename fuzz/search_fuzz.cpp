// A whole Solve on arbitrary input: the first line holds the mode and the
// boxes ("i LOWER UPPER" or "a X 0|1"), the rest is the user's function.
// A fixed clock, a small time-out, and a budget of evaluations keep each run short.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "eval/vbscript_engine.h"
#include "solver/solve_command.h"

namespace {

class QuietHost final : public zorvan::SolveHost {
 public:
  void appendResult(const zorvan::ReportedRoot& root) override { lines += root.line.size(); }
  void showMessage(std::string_view text) override { lines += text.size(); }
  zorvan::Clock& clock() override { return clock_; }
  bool cancelRequested() override { return ++evaluations > 20000 || std::chrono::steady_clock::now() > deadline; }

  std::size_t lines = 0;
  int evaluations = 0;
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);

 private:
  zorvan::FixedClock clock_{0, 0, 0};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zorvan::VBScriptEngine* engine = [] {
    auto* e = new zorvan::VBScriptEngine;
    e->setTimeout(std::chrono::milliseconds(50));
    return e;
  }();
  static zorvan::SolveCommand command(*engine);
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t eol = input.find('\n');
  std::istringstream head(input.substr(0, eol));
  std::string mode, first, second;
  head >> mode >> first >> second;
  zorvan::SolveRequest request;
  request.functionText = eol == std::string::npos ? std::string_view() : std::string_view(input).substr(eol + 1);
  request.intervalSelected = mode != "a";
  request.lowerText = first;
  request.upperText = second;
  request.approxText = first;
  request.nonNegativeChecked = second != "0";
  QuietHost host;
  command.run(request, host);
  return 0;
}
