#include "eval/vbscript/native/executable_memory.h"

#include <sys/mman.h>

#include <cstring>

namespace zorvan::vbs {

std::unique_ptr<ExecutableMemory> ExecutableMemory::holding(std::span<const std::uint8_t> code) {
  if (code.empty()) return nullptr;
  void* memory = mmap(nullptr, code.size(), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  std::memcpy(memory, code.data(), code.size());
  if (mprotect(memory, code.size(), PROT_READ | PROT_EXEC) != 0) {
    munmap(memory, code.size());
    return nullptr;
  }
  return std::unique_ptr<ExecutableMemory>(new ExecutableMemory(memory, code.size()));
}

ExecutableMemory::~ExecutableMemory() { munmap(start_, size_); }

}  // namespace zorvan::vbs
