#pragma once
// How much native stack the calling thread has left, so that deep recursion
// on hostile input ends in "Out of stack space" instead of a crash, however
// large the thread's stack and whatever a build's frames cost.

#include <cstddef>

namespace zorvan {

namespace stack_room {
const char* findStackFloor();
constinit inline thread_local const char* tStackFloor = nullptr;
constinit inline thread_local bool tStackFloorKnown = false;
}  // namespace stack_room

// The lowest address this thread's stack may grow to, a margin above its
// end; null where the platform does not say. Found once per thread, then
// read at every host call.
inline const char* threadStackFloor() {
  if (!stack_room::tStackFloorKnown) [[unlikely]] {
    stack_room::tStackFloor = stack_room::findStackFloor();
    stack_room::tStackFloorKnown = true;
  }
  return stack_room::tStackFloor;
}

// Whether the stack has grown past floor (from threadStackFloor; null: no
// floor known). Inlined, so that it reads its caller's depth.
[[gnu::always_inline]] inline bool pastStackFloor(const char* floor) {
  char here;
  return floor != nullptr && &here < floor;
}

}  // namespace zorvan
