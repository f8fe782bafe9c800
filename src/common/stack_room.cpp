#include "common/stack_room.h"

#include <pthread.h>

namespace zorvan {

// Room left for unwinding and for the error's own report.
constexpr std::size_t kMargin = std::size_t{256} * 1024;

const char* stack_room::findStackFloor() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return nullptr;
  void* low = nullptr;
  std::size_t size = 0;
  const bool known = pthread_attr_getstack(&attr, &low, &size) == 0;
  pthread_attr_destroy(&attr);
  if (!known || size <= kMargin) return nullptr;
  return static_cast<const char*>(low) + kMargin;
}

}  // namespace zorvan
