#include "solver/clock.h"

#include <charconv>
#include <chrono>
#include <ctime>

namespace zorvan {

namespace {
std::tm localNow(double* fraction = nullptr) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  if (fraction != nullptr) {
    const auto sub = now - std::chrono::system_clock::from_time_t(t);
    *fraction = std::chrono::duration<double>(sub).count();
  }
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}
}  // namespace

float SystemClock::secondsSinceMidnight() {
  double fraction = 0;
  const std::tm tm = localNow(&fraction);
  return static_cast<float>(tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec + fraction);
}

int SystemClock::minute() { return localNow().tm_min; }
int SystemClock::second() { return localNow().tm_sec; }

std::optional<FixedClock> FixedClock::parse(std::string_view text) {
  int parts[3];
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (p == end || *p != ':') return std::nullopt;
      ++p;
    }
    const char* start = p;
    auto [q, ec] = std::from_chars(p, end, parts[i]);
    if (ec != std::errc() || q - start != 2) return std::nullopt;
    p = q;
  }
  if (p != end || parts[0] < 0 || parts[1] < 0 || parts[2] < 0 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
  return FixedClock(parts[0], parts[1], parts[2]);
}

}  // namespace zorvan
