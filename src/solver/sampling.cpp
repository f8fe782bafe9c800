// Interval sampling: 51 grid points and 204 random points, then the sort.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

namespace {
constexpr int kGridPoints = 51;
constexpr int kSamples = 255;

void sample(Search& s, int index) {
  WorkingState& w = s.w;
  step([&] { w.EvalX = w.SampleX[index]; });
  step([&] { w.SampleF[index] = s.f(w.EvalX).toDouble(); });
}
}  // namespace

Stage sampling(Search& s) {
  WorkingState& w = s.w;
  for (int i = 1; i <= kGridPoints; ++i) {
    w.SampleIdx = I(static_cast<std::int16_t>(i));
    step([&] { w.SampleX[i] = w.IntervalLo + ((w.IntervalHi - w.IntervalLo) * (w.SampleIdx - I(1))) / I(50); });
    sample(s, i);
  }
  for (int i = kGridPoints + 1; i <= kSamples; ++i) {
    w.SampleIdx = I(static_cast<std::int16_t>(i));
    step([&] {
      const float r = s.svc.draw(w.RndArg.toDouble());
      w.SampleX[i] = w.IntervalLo + (w.IntervalHi - w.IntervalLo) * Value::single(r);
    });
    sample(s, i);
  }
  step([&] { w.SampleIdx = I(kSamples); });
  sortSamples(w);
  step([&] { w.SampleIdx = I(1); });
  return Stage::Scan;
}

namespace {
bool outOfOrder(const Value& a, const Value& b) { return a > b; }

void exchange(WorkingState& w, int i, int j) {
  std::swap(w.SampleX[i], w.SampleX[j]);
  std::swap(w.SampleF[i], w.SampleF[j]);
}

void exchangeAndWalkBack(WorkingState& w, int i, int j, int gap) {
  exchange(w, i, j);
  for (int k = i, m = i - gap; m > 0; m -= gap, k -= gap) {
    if (!outOfOrder(w.SampleX[m], w.SampleX[k])) return;
    exchange(w, m, k);
  }
}
}  // namespace

// A gapped insertion sort with halving gaps (127, 63, ..., 1), ascending by
// abscissa; each value moves with its abscissa and equal abscissae are never
// exchanged. It works on plain indices: none of its steps can fail.
void sortSamples(WorkingState& w) {
  int gap = kSamples;
  do {
    gap /= 2;
    for (int i = 1, j = 1 + gap; j <= kSamples; ++i, ++j)
      if (outOfOrder(w.SampleX[i], w.SampleX[j])) exchangeAndWalkBack(w, i, j, gap);
  } while (gap > 1);
}

}  // namespace zorvan::solver
