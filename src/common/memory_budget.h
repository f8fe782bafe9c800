#pragma once
// One budget for all that the user's code can make the process hold: the
// text of every String, the elements of every array, and the compiled form
// of text compiled while code runs. A String of 64 Mi characters is allowed,
// but not a hundred of them: past the budget the step that asked for more
// fails with "Out of memory", and what the failing run held is given back
// as its values are released.

#include <cstddef>

namespace zorvan {

inline constexpr std::size_t kMemoryBudget = std::size_t{1} << 30;

// Counts bytes against the budget; raises "Out of memory" instead where
// they would take it past the budget.
void chargeMemory(std::size_t bytes);
void releaseMemory(std::size_t bytes) noexcept;
// What is counted now.
std::size_t memoryInUse() noexcept;

// Bytes counted for as long as it lives.
class MemoryCharge {
 public:
  explicit MemoryCharge(std::size_t bytes) : bytes_(bytes) { chargeMemory(bytes_); }
  ~MemoryCharge() { releaseMemory(bytes_); }
  MemoryCharge(const MemoryCharge&) = delete;
  MemoryCharge& operator=(const MemoryCharge&) = delete;

 private:
  std::size_t bytes_;
};

}  // namespace zorvan
