#pragma once
// How much native stack the calling thread has left, so that deep recursion
// on hostile input ends in "Out of stack space" instead of a crash, however
// large the thread's stack and whatever a build's frames cost.

#include <cstddef>

namespace zorvan::vbs {

// The lowest address this thread's stack may grow to, a margin above its
// end; null where the platform does not say. Found once per thread.
const char* threadStackFloor();

}  // namespace zorvan::vbs
