// The sign-change scan: walks the sorted samples cell by cell, from SampleIdx on.
#include "common/step.h"
#include "solver/search.h"

namespace zorvan::solver {

namespace {
// The cell (SampleIdx - 1, SampleIdx); reading past the last sample fails.
struct Cell {
  explicit Cell(WorkingState& state) : w(state), r(indexOf(state.SampleIdx)) {}
  Value& leftX() const { return at(w.SampleX, r - 1); }
  Value& rightX() const { return at(w.SampleX, r); }
  Num leftF() const { return D(at(w.SampleF, r - 1)); }
  Num rightF() const { return D(at(w.SampleF, r)); }

  WorkingState& w;
  std::int32_t r;
};
}  // namespace

Stage signChangeScan(Search& s) {
  WorkingState& w = s.w;
  const Num probe = D(9e-05);
  for (;;) {
    step([&] { w.FPrev = D(at(w.SampleF, w.SampleIdx)); });
    step([&] { w.SampleIdx = w.SampleIdx + I(1); });
    step([&] { w.SweepCount = I(0); });
    const Cell cell(w);

    const bool skipped = test([&] { return cell.leftF() == I(0) || cell.leftX() == cell.rightX(); });
    if (!skipped) {
      step([&] { w.SignChange = I(0); });
      if (test([&] { return w.FPrev * cell.rightF() <= I(0); })) {
        step([&] { w.SignChange = I(1); });
        step([&] { w.BracketLoIdx = w.SampleIdx - I(1); });
        step([&] { w.BracketHiIdx = w.SampleIdx; });
      }
      if (test([&] { return w.SignChange == I(1); })) {
        refineBracket(s);
        step([&] { w.TryCount = 4; });
        // The right end of the refined bracket, or the exact root it found.
        step([&] { w.X0 = w.IterX[2]; });
        step([&] { w.X1 = w.IterX[1]; });
        return Stage::Iteration;
      }

      step([&] { w.TouchFlag = I(0); });
      // Slope probes just inside both ends: does f turn within the cell?
      if (test([&] {
            const Value slopeLeft = Sgn(s.f(cell.leftX() + probe) - w.FPrev);
            const Value slopeRight = Sgn(cell.rightF() - s.f(cell.rightX() - probe));
            return slopeLeft != slopeRight;
          }))
        step([&] { w.TouchFlag = I(1); });
      step([&] { w.CellMinAbsF = Abs(cell.rightF()); });
      if (test([&] { return Abs(w.FPrev) < Abs(cell.rightF()); })) step([&] { w.CellMinAbsF = Abs(w.FPrev); });
      step([&] { w.FMid = s.f((cell.leftX() + cell.rightX()) / I(2)); });
      if (test([&] {
            const bool awayFromZero = Abs(w.FMid) > w.CellMinAbsF;
            const bool sameSide = w.FPrev * w.FMid > I(0);
            return awayFromZero && sameSide;
          }))
        step([&] { w.TouchFlag = I(0); });

      if (test([&] { return w.TouchFlag == I(1); })) {
        step([&] { w.ZoomLeft = cell.leftX(); });
        step([&] { w.ZoomRight = cell.rightX(); });
        zoom(s);
        if (test([&] { return w.RootFound == I(1); })) return Stage::Report;
      }
    }
    if (!test([&] { return w.SampleIdx < I(255); })) return Stage::NextPass;
  }
}

}  // namespace zorvan::solver
