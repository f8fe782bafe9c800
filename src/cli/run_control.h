#pragma once
// Ends a zorvan-cli run at its time limit or on Ctrl-C (SIGINT, or SIGTERM):
// a watcher thread interrupts the engine's run in progress, and the search
// asks stopRequested() before each evaluation.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "eval/engine.h"

namespace zorvan::cli {

class RunControl {
 public:
  enum class Stop { None, TimeLimit, Signal };

  explicit RunControl(std::optional<double> seconds);
  ~RunControl();
  RunControl(const RunControl&) = delete;
  RunControl& operator=(const RunControl&) = delete;

  // The engine whose runs a stop interrupts; nullptr for none.
  void watch(ScriptEngine* engine);
  bool stopRequested() const { return stop_.load() != Stop::None; }
  Stop stop() const { return stop_.load(); }

 private:
  void run();

  std::optional<std::chrono::steady_clock::time_point> deadline_;
  std::atomic<Stop> stop_{Stop::None};
  std::atomic<ScriptEngine*> engine_{nullptr};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool done_ = false;
  std::thread watcher_;
};

}  // namespace zorvan::cli
