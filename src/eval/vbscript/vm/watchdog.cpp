#include "eval/vbscript/vm/watchdog.h"

#include <algorithm>

namespace zorvan::vbs {

Watchdog::Watchdog(std::chrono::milliseconds limit) : limitMs_(limit.count()) {
  thread_ = std::thread([this] { watch(); });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void Watchdog::setLimit(std::chrono::milliseconds limit) {
  limitMs_.store(limit.count());
  wake_.notify_all();
}

void Watchdog::watch() {
  using Clock = std::chrono::steady_clock;
  std::uint32_t seen = 0;
  bool watching = false;
  Clock::time_point since{};
  std::unique_lock lock(mutex_);
  while (!stop_) {
    const std::int64_t limit = limitMs_.load();
    // Look often enough that a run is cut off within a tenth of its limit.
    const auto tick = std::chrono::milliseconds(std::clamp<std::int64_t>(limit / 10, 1, 50));
    wake_.wait_for(lock, tick);
    if (stop_) break;
    std::uint32_t state = state_.load(std::memory_order_acquire);
    if ((state & kRunningBit) == 0) {
      watching = false;
      continue;
    }
    const std::uint32_t run = state / kRunUnit;
    const auto now = Clock::now();
    if (!watching || run != seen) {
      watching = true;
      seen = run;
      since = now;
      continue;
    }
    // Aborts this run only if it is still the one under way.
    if (now - since >= std::chrono::milliseconds(limit))
      state_.compare_exchange_strong(state, state | kAbortBit, std::memory_order_relaxed);
  }
}

}  // namespace zorvan::vbs
