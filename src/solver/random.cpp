#include "solver/random.h"

#include <bit>

namespace zorvan {

void RandomGenerator::reseed(float seed) { state_ = std::bit_cast<std::uint32_t>(seed) & (kModulus - 1); }

float RandomGenerator::draw(double a) {
  if (a > 0)
    state_ = static_cast<std::uint32_t>((std::uint64_t{state_} * 1140671485u + 12820163u) % kModulus);
  return static_cast<float>(state_) / static_cast<float>(kModulus);
}

}  // namespace zorvan
