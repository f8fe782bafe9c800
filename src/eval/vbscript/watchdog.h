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

namespace zorvan::vbs {

class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void setLimit(std::chrono::milliseconds limit);
  const std::atomic<bool>* abortFlag() const { return &abort_; }
  // Ends the run in progress now; interrupted() tells it from a time-out.
  void interrupt() {
    interrupted_.store(true, std::memory_order_relaxed);
    abort_.store(true, std::memory_order_relaxed);
  }
  bool interrupted() const { return interrupted_.load(std::memory_order_relaxed); }

  // Marks one run, from construction to destruction.
  class Run {
   public:
    explicit Run(Watchdog& w) : w_(w) {
      w_.abort_.store(false, std::memory_order_relaxed);
      w_.interrupted_.store(false, std::memory_order_relaxed);
      // Only the running thread writes the generation: no locked increment needed.
      w_.generation_.store(w_.generation_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
      w_.running_.store(true, std::memory_order_release);
    }
    ~Run() { w_.running_.store(false, std::memory_order_release); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

   private:
    Watchdog& w_;
  };

 private:
  void watch();

  std::atomic<bool> abort_{false};
  std::atomic<bool> interrupted_{false};
  std::atomic<bool> running_{false};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<std::int64_t> limitMs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace zorvan::vbs
