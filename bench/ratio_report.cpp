#include "ratio_report.h"

#include <cstdio>

namespace zorvan::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& r : runs) {
    if (r.run_type != Run::RT_Iteration) continue;
    const std::string name = r.benchmark_name();
    const auto slash = name.find('/');
    if (slash == std::string::npos) continue;
    std::string peer = name.substr(slash + 1);
    if (const auto extra = peer.find('/'); extra != std::string::npos) peer.resize(extra);
    times_[name.substr(0, slash)][peer] = r.GetAdjustedRealTime();
  }
}

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::printf("\nRatio to %s (same run):\n", baseline_.c_str());
  for (const auto& [family, peers] : times_) {
    const auto base = peers.find(baseline_);
    if (base == peers.end() || base->second <= 0) continue;
    std::printf("  %-8s", family.c_str());
    for (const auto& [peer, t] : peers) std::printf("  %s %.2fx", peer.c_str(), t / base->second);
    std::printf("\n");
  }
}

int runWithRatios(int argc, char** argv, const std::string& baseline) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(baseline);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace zorvan::bench
