#pragma once
// The working state of one search: every array, counter and flag the stages
// share, all empty when the search starts.

#include <array>
#include <cstdint>

#include "common/error.h"
#include "common/value.h"

namespace zorvan::solver {

struct WorkingState {
  std::array<Value, 256> SampleX;   // entries 1 to 255
  std::array<double, 256> SampleF{};  // f at SampleX, as doubles
  std::array<Value, 255> IterX;     // iterates; zoom scratch; bracket pairs
  std::array<Value, 13> ZoomF;      // entries 0 and 12 are never written

  std::int16_t TryCount = 0;
  Value X0, X1;
  Value SamplingPasses, AttemptCount, LowerX, UpperX, IntervalLo, IntervalHi;
  Value RootCount, PassCount, RndArg, SampleIdx, EvalX;
  Value FPrev, SignChange, TouchFlag, CellMinAbsF, FMid;
  Value BracketLoIdx, BracketHiIdx, BracketNum, BracketDen, BracketX;
  Value SweepCount, IterIdx;
  Value OrderFlag, IterF, IterFPrev, IterDX, IterNum, IterDF, IterD2;
  Value ZoomLeft, ZoomRight, RootFound, Flag;
  // The zoom's own.
  Value ZoomPass, ZoomJ, ZoomStep, ZoomMinAbsF, ZoomBestX, ZoomBestJ;
  Value ParaF1, ParaF2, ParaF3, ParaA, ParaB, ParaC;
};

// An array element by a Value index; an index outside the array fails
// with "Subscript out of range".
template <class T, std::size_t N>
T& at(std::array<T, N>& a, std::int32_t i) {
  if (i < 0 || static_cast<std::size_t>(i) >= N) raise(err::SubscriptOutOfRange);
  return a[static_cast<std::size_t>(i)];
}

// A Value read as an index, as VBScript rounds a subscript.
inline std::int32_t indexOf(const Value& index) { return index.isWhole() ? index.rawWhole() : index.toLong(); }

template <class T, std::size_t N>
T& at(std::array<T, N>& a, const Value& index) {
  return at(a, indexOf(index));
}

}  // namespace zorvan::solver
