#include "solver/solve_now.h"

#include <algorithm>

#include "solver/search.h"

namespace zorvan {

using solver::Stage;

namespace {
int whole(const Value& v) { return v.isWhole() ? v.rawWhole() : 0; }

// The pass counter starts at 7 less the number of passes and ends at 7.
SearchPosition positionOf(const solver::Search& s) {
  SearchPosition p;
  p.interval = s.interval;
  if (s.interval) {
    p.attempt = whole(s.w.AttemptCount);
    p.pass = whole(s.w.PassCount) - 7 + SearchPosition::kPasses + 1;
  } else {
    p.sweep = s.w.TryCount;
  }
  return p;
}
}  // namespace

void SolveNow(const Value& Arg1, const Value& Arg2, bool SearchInterval, SearchServices services) {
  solver::Search s(Arg1, Arg2, SearchInterval, services);
  Stage stage = solver::entry(s);
  while (stage != Stage::End) {
    if (stage == (SearchInterval ? Stage::Sampling : Stage::ApproxRestart)) {
      services.host.searchAt(positionOf(s));
    } else if (SearchInterval && stage == Stage::Scan) {
      SearchPosition at = positionOf(s);
      at.cell = std::max(1, whole(s.w.SampleIdx));
      services.host.searchAt(at);
    }
    switch (stage) {
      case Stage::IntervalSetup: stage = solver::intervalSetup(s); break;
      case Stage::AttemptStart: stage = solver::attemptStart(s); break;
      case Stage::ApproxSetup: stage = solver::approxSetup(s); break;
      case Stage::ApproxRestart: stage = solver::approxRestart(s); break;
      case Stage::Sampling: stage = solver::sampling(s); break;
      case Stage::Scan: stage = solver::signChangeScan(s); break;
      case Stage::Iteration: stage = solver::secantIteration(s); break;
      case Stage::Report: stage = solver::reportStep(s); break;
      case Stage::Retry: stage = solver::retryStep(s); break;
      case Stage::NoRootCheck: stage = solver::noRootCheck(s); break;
      case Stage::NextPass: stage = solver::nextPassStep(s); break;
      case Stage::End: break;
    }
  }
}

}  // namespace zorvan
