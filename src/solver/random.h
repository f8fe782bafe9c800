#pragma once
// The search's random generator: a 24-bit linear congruential sequence, so
// that a search with a fixed clock repeats exactly.

#include <cstdint>

namespace zorvan {

class RandomGenerator {
 public:
  // The state: the low 24 bits of the seed's single-precision bit pattern.
  void reseed(float seed);
  // a > 0: the next number in [0, 1); a = 0: the previous number again.
  float draw(double a);

 private:
  static constexpr std::uint32_t kModulus = 1u << 24;
  std::uint32_t state_ = 327680;
};

}  // namespace zorvan
