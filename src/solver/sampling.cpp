// Interval sampling: 51 grid points and 204 random points, then the sort.
#include <array>
#include <utility>

#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

namespace {
constexpr int kGridPoints = 51;
constexpr int kSamples = SearchPosition::kSamples;

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
      const float r = s.svc.random.draw(w.RndArg.toDouble());
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
// The sort compares abscissae only, and they are Doubles (Empty where a
// computation failed, which compares as 0): it runs on plain keys and an
// index, then moves the samples once. The comparisons and exchanges are
// those of the sort on the table itself, so the order is the same.
struct Key {
  double x;
  int index;
};

void exchangeAndWalkBack(std::array<Key, 256>& k, int i, int j, int gap) {
  std::swap(k[i], k[j]);
  for (int hi = i, lo = i - gap; lo > 0; lo -= gap, hi -= gap) {
    if (!(k[lo].x > k[hi].x)) return;
    std::swap(k[lo], k[hi]);
  }
}
}  // namespace

// A gapped insertion sort with halving gaps (127, 63, ..., 1), ascending by
// abscissa; each value moves with its abscissa and equal abscissae are never
// exchanged. None of its steps can fail.
void sortSamples(WorkingState& w) {
  std::array<Key, 256> k;
  for (int i = 1; i <= kSamples; ++i) k[i] = {w.SampleX[i].toDouble(), i};
  int gap = kSamples;
  do {
    gap /= 2;
    for (int i = 1, j = 1 + gap; j <= kSamples; ++i, ++j)
      if (k[i].x > k[j].x) exchangeAndWalkBack(k, i, j, gap);
  } while (gap > 1);
  std::array<Value, 256> x;
  std::array<double, 256> f{};
  for (int i = 1; i <= kSamples; ++i) {
    x[i] = std::move(w.SampleX[k[i].index]);
    f[i] = w.SampleF[k[i].index];
  }
  for (int i = 1; i <= kSamples; ++i) {
    w.SampleX[i] = std::move(x[i]);
    w.SampleF[i] = f[i];
  }
}

}  // namespace zorvan::solver
