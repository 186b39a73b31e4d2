// The calling thread's stack bounds.
#include <pthread.h>

#include "platform/platform.h"

namespace platform {

namespace {

struct StackBounds {
  std::uintptr_t limit = 0;
  std::uintptr_t top = 0;
};

// Asked once per thread: for the main thread the answer comes from the
// process's memory map, which is too slow to read at every frame line.
const StackBounds& ThreadStack() {
  thread_local StackBounds bounds;
  if (bounds.top == 0) {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) == 0) {
      void* low = nullptr;
      std::size_t size = 0;
      if (pthread_attr_getstack(&attr, &low, &size) == 0) {
        bounds.limit = reinterpret_cast<std::uintptr_t>(low);
        bounds.top = bounds.limit + size;
      }
      pthread_attr_destroy(&attr);
    }
  }
  return bounds;
}

}  // namespace

std::uintptr_t GetStackTop() {
  return ThreadStack().top;
}
std::uintptr_t GetStackLimit() {
  return ThreadStack().limit;
}

}  // namespace platform
