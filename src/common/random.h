#pragma once
// A 24-bit linear congruential generator, the one VBScript's Rnd uses: the
// search draws from one so that a search with a fixed clock repeats exactly,
// and each engine thread has one for the user's Rnd and Randomize.

#include <cstdint>

namespace zorvan {

class RandomGenerator {
 public:
  // The search's reseed: the state becomes the low 24 bits of the seed's
  // single-precision bit pattern.
  void reseed(float seed);
  // a > 0: the next number in [0, 1); a = 0: the previous number again.
  float draw(double a);

  // VBScript's Rnd(a): a < 0 restarts the sequence from a's single-precision
  // bits, a = 0 repeats the last number, anything else gives the next.
  float rnd(double a);
  // VBScript's Randomize seed: the seed's bits replace the middle 16 bits of
  // the state, so that the same seed after the same history repeats.
  void randomize(double seed);

 private:
  static constexpr std::uint32_t kModulus = 1u << 24;
  void step();
  float current() const;
  std::uint32_t state_ = 327680;
};

}  // namespace zorvan
