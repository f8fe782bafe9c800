#include "common/memory_budget.h"

#include <atomic>

#include "common/error.h"

namespace zorvan {

namespace {
std::atomic<std::size_t> inUse{0};
}  // namespace

void chargeMemory(std::size_t bytes) {
  std::size_t now = inUse.load(std::memory_order_relaxed);
  do {
    if (bytes > kMemoryBudget - std::min(now, kMemoryBudget)) raise(err::OutOfMemory);
  } while (!inUse.compare_exchange_weak(now, now + bytes, std::memory_order_relaxed));
}

void releaseMemory(std::size_t bytes) noexcept { inUse.fetch_sub(bytes, std::memory_order_relaxed); }

std::size_t memoryInUse() noexcept { return inUse.load(std::memory_order_relaxed); }

}  // namespace zorvan
