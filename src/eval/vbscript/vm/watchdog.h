#pragma once
// Cuts off a run that takes longer than the time-out. A thread of its own
// watches the runs, so a run pays for no clock reading: it only reads the
// abort flag at loop turns and calls.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "common/abort.h"

namespace zorvan::vbs {

class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void setLimit(std::chrono::milliseconds limit);
  const AbortWord* abortFlag() const { return &state_; }
  // Ends the run in progress now; interrupted() tells it from a time-out.
  void interrupt() {
    interrupted_.store(true, std::memory_order_relaxed);
    state_.fetch_or(kAbortBit, std::memory_order_relaxed);
  }
  bool interrupted() const { return interrupted_.load(std::memory_order_relaxed); }

  // Marks one run, from construction to destruction.
  class Run {
   public:
    explicit Run(Watchdog& w) : w_(w), outer_(tRunAbortWord) {
      tRunAbortWord = &w_.state_;  // for the long work inside one step
      w_.interrupted_.store(false, std::memory_order_relaxed);
      // One store clears the abort flag and starts the next run: an abort
      // meant for the run before can no longer land on this one. Only the
      // running thread starts runs.
      const std::uint32_t last = w_.state_.load(std::memory_order_relaxed);
      w_.state_.store(((last & ~(kRunUnit - 1)) + kRunUnit) | kRunningBit, std::memory_order_release);
    }
    ~Run() {
      w_.state_.fetch_and(~kRunningBit, std::memory_order_release);
      tRunAbortWord = outer_;
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

   private:
    Watchdog& w_;
    const AbortWord* outer_;
  };

 private:
  void watch();

  AbortWord state_{0};  // the abort flag, whether a run is under way, and which
  std::atomic<bool> interrupted_{false};
  std::atomic<std::int64_t> limitMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace zorvan::vbs
