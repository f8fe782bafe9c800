#pragma once
// The frame of the generators of random user functions: a few statements,
// then MyFunction set to an expression, from choices a seed fixes.

#include <random>
#include <string>

namespace zorvan::testing {

class RandomFunction {
 public:
  virtual ~RandomFunction() = default;

  std::string function() {
    std::string text = prelude();
    const int statements = pick(1, 4);
    for (int i = 0; i < statements; ++i) text += statement(2);
    return text + "MyFunction = " + expression(3) + "\r\n" + epilogue();
  }

 protected:
  explicit RandomFunction(unsigned seed) : rng_(seed) {}

  virtual std::string prelude() { return {}; }
  // After the function's text: helper procedures, for instance.
  virtual std::string epilogue() { return {}; }
  virtual std::string statement(int depth) = 0;
  virtual std::string expression(int depth) = 0;

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  template <std::size_t N>
  const char* oneOf(const char* const (&items)[N]) {
    return items[static_cast<std::size_t>(pick(0, static_cast<int>(N) - 1))];
  }

 private:
  std::mt19937 rng_;
};

}  // namespace zorvan::testing
