#include "eval/vbscript/builtins/random_functions.h"

#include <chrono>
#include <ctime>

#include "common/random.h"

namespace zorvan::vbs {

namespace {
thread_local RandomGenerator generator;

// Seconds since local midnight, to the hundredth as VBScript's Timer gives them.
float secondsSinceMidnight() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  const double fraction = std::chrono::duration<double>(now - std::chrono::system_clock::from_time_t(t)).count();
  const double seconds = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec + fraction;
  return static_cast<float>(static_cast<long>(seconds * 100) / 100.0);
}
}  // namespace

Value fnRnd(const Value* args, std::size_t n) { return Value::single(generator.rnd(n > 0 ? args[0].toDouble() : 1.0)); }

Value fnRandomize(const Value* args, std::size_t n) {
  generator.randomize(n > 0 ? args[0].toDouble() : static_cast<double>(secondsSinceMidnight()));
  return {};
}

Value fnTimer(const Value*, std::size_t) { return Value::single(secondsSinceMidnight()); }

}  // namespace zorvan::vbs
