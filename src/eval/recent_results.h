#pragma once
// The last few results of a function whose runs depend on their argument
// alone. A search asks again for f at points it asked for a few evaluations
// before (the secant step's previous iterate, the ends of a bracket), and a
// run costs far more than a look here. The oldest entry makes room.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>

#include "common/value.h"

namespace zorvan {

class RecentResults {
 public:
  std::optional<double> find(const Value& x) const {
    if (!x.isDouble()) return std::nullopt;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x.rawDouble());
    // Every entry compared, without an early exit: a few conditional moves
    // cost less than a branch per entry.
    std::size_t found = kSize;
    for (std::size_t i = 0; i < kSize; ++i) found = bits_[i] == bits ? i : found;
    if (found == kSize || bits == kNone) return std::nullopt;
    return results_[found];
  }

  // Only Doubles at Doubles are kept: they are what a search asks for, and
  // they hold no memory.
  void remember(const Value& x, const Value& fx) {
    if (!x.isDouble() || !fx.isDouble() || std::isnan(x.rawDouble())) return;
    bits_[next_] = std::bit_cast<std::uint64_t>(x.rawDouble());
    results_[next_] = fx.rawDouble();
    next_ = (next_ + 1) % kSize;  // a power of two: a mask
  }

 private:
  static constexpr std::size_t kSize = 4;
  // Points are told apart by their bits, so -0 is not 0. A NaN is never
  // kept, so a NaN's bits mark an empty entry.
  static constexpr std::uint64_t kNone = 0x7FF0'0000'0000'0001ull;
  std::array<std::uint64_t, kSize> bits_{kNone, kNone, kNone, kNone};
  std::array<double, kSize> results_{};
  std::size_t next_ = 0;
};

}  // namespace zorvan
