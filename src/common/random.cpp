#include "common/random.h"

#include <bit>

namespace zorvan {

void RandomGenerator::step() {
  state_ = static_cast<std::uint32_t>((std::uint64_t{state_} * 1140671485u + 12820163u) % kModulus);
}

float RandomGenerator::current() const { return static_cast<float>(state_) / static_cast<float>(kModulus); }

void RandomGenerator::reseed(float seed) { state_ = std::bit_cast<std::uint32_t>(seed) & (kModulus - 1); }

float RandomGenerator::draw(double a) {
  if (a > 0) step();
  return current();
}

float RandomGenerator::rnd(double a) {
  if (a < 0) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(static_cast<float>(a));
    state_ = (bits + (bits >> 24)) & (kModulus - 1);
  }
  if (a != 0) step();
  return current();
}

void RandomGenerator::randomize(double seed) {
  const auto high = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(seed) >> 32);
  const std::uint32_t middle = ((high & 0xFFFF) ^ (high >> 16)) << 8;
  state_ = (state_ & 0xFF0000FFu) | (middle & 0x00FFFF00u);
}

}  // namespace zorvan
