#pragma once
// The search's stages and internal subroutines, sharing one working state.
// Each stage runs its numbered steps and returns the stage that follows.

#include "solver/arithmetic.h"
#include "solver/services.h"
#include "solver/working_state.h"

namespace zorvan::solver {

enum class Stage {
  IntervalSetup,
  AttemptStart,
  ApproxSetup,
  ApproxRestart,  // the approximation set-up from its step 4, where the retry step re-enters
  Sampling,
  Scan,
  Iteration,
  Report,
  Retry,
  NoRootCheck,
  NextPass,
  End,
};

struct Search {
  Search(const Value& a1, const Value& a2, bool searchInterval, SearchServices s)
      : Arg1(a1), Arg2(a2), interval(searchInterval), svc(s) {}
  ~Search() { detail::releaseKept(); }
  Search(const Search&) = delete;
  Search& operator=(const Search&) = delete;

  Value f(const Value& x) { return svc.f.evaluate(x); }

  WorkingState w;
  // Copies: the caller's values are never modified, and a copy cannot dangle.
  const Value Arg1;
  const Value Arg2;
  const bool interval;
  SearchServices svc;
};

// Stages.
Stage entry(Search& s);
Stage intervalSetup(Search& s);
Stage attemptStart(Search& s);
Stage approxSetup(Search& s);
Stage approxRestart(Search& s);
Stage sampling(Search& s);
Stage signChangeScan(Search& s);
Stage secantIteration(Search& s);
Stage reportStep(Search& s);
Stage retryStep(Search& s);
Stage noRootCheck(Search& s);
Stage nextPassStep(Search& s);

// Internal subroutines.
void zeroStart(Search& s);
void sortSamples(WorkingState& w);
void zoom(Search& s);
void refineBracket(Search& s);

}  // namespace zorvan::solver
