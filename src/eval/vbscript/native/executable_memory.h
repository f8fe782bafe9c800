#pragma once
// Machine code in pages of its own: written while the pages are writable,
// then made read-execute and never writable again (W^X).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace zorvan::vbs {

class ExecutableMemory {
 public:
  // The code in executable pages, or null where the system refuses them.
  static std::unique_ptr<ExecutableMemory> holding(std::span<const std::uint8_t> code);
  ~ExecutableMemory();
  ExecutableMemory(const ExecutableMemory&) = delete;
  ExecutableMemory& operator=(const ExecutableMemory&) = delete;

  const void* start() const { return start_; }
  std::size_t size() const { return size_; }

 private:
  ExecutableMemory(void* start, std::size_t size) : start_(start), size_(size) {}
  void* start_;
  std::size_t size_;
};

}  // namespace zorvan::vbs
