#include "cli/run_control.h"

#include <csignal>

namespace zorvan::cli {

namespace {
volatile std::sig_atomic_t signalled = 0;
extern "C" void onSignal(int) { signalled = 1; }

// How often the watcher looks: a stop takes effect well within a second.
constexpr std::chrono::milliseconds kPoll{20};
}  // namespace

RunControl::RunControl(std::optional<double> seconds) {
  if (seconds) {
    deadline_ = std::chrono::steady_clock::now() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(*seconds));
  }
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  watcher_ = std::thread([this] { run(); });
}

RunControl::~RunControl() {
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
  watcher_.join();
}

void RunControl::watch(ScriptEngine* engine) { engine_.store(engine); }

void RunControl::run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, kPoll, [this] { return done_; })) {
    if (stop_.load() == Stop::None) {
      if (signalled != 0) stop_.store(Stop::Signal);
      else if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) stop_.store(Stop::TimeLimit);
    }
    // Again at every look: a run that started just after a stop is ended too.
    if (stop_.load() != Stop::None)
      if (ScriptEngine* e = engine_.load()) e->interrupt();
  }
}

}  // namespace zorvan::cli
