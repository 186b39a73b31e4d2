// The calling thread's stack bounds.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

std::uintptr_t GetStackTop() {
  ULONG_PTR low, high;
  ::GetCurrentThreadStackLimits(&low, &high);
  return high;
}

std::uintptr_t GetStackLimit() {
  ULONG_PTR low, high;
  ::GetCurrentThreadStackLimits(&low, &high);
  return low;
}

}  // namespace platform
