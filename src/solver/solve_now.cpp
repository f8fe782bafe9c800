#include "solver/solve_now.h"

#include "solver/search.h"

namespace zorvan {

using solver::Stage;

void SolveNow(const Value& Arg1, const Value& Arg2, bool SearchInterval, SearchServices services) {
  solver::Search s(Arg1, Arg2, SearchInterval, services);
  Stage stage = solver::entry(s);
  while (stage != Stage::End) {
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
