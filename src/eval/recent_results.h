#pragma once
// Recent results of a function whose runs depend on their argument alone. A
// search asks again for f at points it asked for a few evaluations before
// (the secant step's previous iterate, the ends of a bracket), and a run
// costs far more than a look here. Each point has one place, found from its
// bits: a look is one comparison, and a new point takes its place's entry.

#include <array>
#include <bit>
#include <cstdint>
#include <optional>

#include "common/value.h"

namespace zorvan {

class RecentResults {
  static constexpr int kPlaceBits = 6;

 public:
  // How many points are kept at most.
  static constexpr std::size_t kSize = std::size_t{1} << kPlaceBits;

  std::optional<double> find(const Value& x) const {
    if (!x.isDouble()) return std::nullopt;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x.rawDouble());
    const Entry& e = entries_[place(bits)];
    if (e.bits != bits || bits == kNone) return std::nullopt;
    return e.result;
  }

  // Only Doubles at Doubles are kept: they are what a search asks for, and
  // they hold no memory.
  void remember(const Value& x, const Value& fx) {
    if (!x.isDouble() || !fx.isDouble()) return;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x.rawDouble());
    entries_[place(bits)] = Entry{bits, fx.rawDouble()};
  }

 private:
  // Points are told apart by their bits, so -0 is not 0, and a NaN is found
  // only by its own bits. These mark an empty entry: a point with them is
  // never found.
  static constexpr std::uint64_t kNone = 0x7FF0'0000'0000'0001ull;
  struct Entry {
    std::uint64_t bits = kNone;
    double result = 0;
  };
  // Fibonacci hashing: nearby points, which share their high bits, spread.
  static std::size_t place(std::uint64_t bits) { return (bits * 0x9E37'79B9'7F4A'7C15ull) >> (64 - kPlaceBits); }
  std::array<Entry, kSize> entries_{};
};

}  // namespace zorvan
