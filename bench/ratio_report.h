#pragma once
// A console reporter that also prints, after the run, each benchmark's time
// relative to a baseline benchmark of the same family ("F1/native").

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace zorvan::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Names look like "<family>/<peer>"; the peer called `baseline` is 1.0.
  explicit RatioReporter(std::string baseline) : baseline_(std::move(baseline)) {}
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  std::string baseline_;
  std::map<std::string, std::map<std::string, double>> times_;  // family -> peer -> ns
};

// Runs the registered benchmarks with the reporter; returns main's exit code.
int runWithRatios(int argc, char** argv, const std::string& baseline);

}  // namespace zorvan::bench
