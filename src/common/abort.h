#pragma once
// The abort word of a run: a run looks at it at loop turns and calls, and
// work that takes long inside one step of a run (a search through a long
// string, a copy of a large array) looks at it every so often too, and ends
// the run as a loop turn would, with the time-out.

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "common/error.h"

namespace zorvan {

// Its low byte is the abort flag, which machine code reads as a byte; above
// it, whether a run is under way and which run it is, so that the watchdog
// checks the run and aborts it in one compare-and-swap.
using AbortWord = std::atomic<std::uint32_t>;
inline constexpr std::uint32_t kAbortBit = 1;
inline constexpr std::uint32_t kRunningBit = 1u << 8;
inline constexpr std::uint32_t kRunUnit = 1u << 9;

inline bool aborted(const AbortWord& w) { return (w.load(std::memory_order_relaxed) & 0xFF) != 0; }

// The word of the run on this thread, if one is under way.
inline thread_local const AbortWord* tRunAbortWord = nullptr;

inline void stopIfAborted() {
  const AbortWord* word = tRunAbortWord;
  if (word != nullptr && aborted(*word)) raise(err::TimedOut);
}

// Work done in pieces of this many bytes or elements between looks at the word.
inline constexpr std::size_t kAbortCheckStride = std::size_t{1} << 20;

}  // namespace zorvan
