// The bounds of each thread's stack, kept per thread: the fault handler
// needs them and may not ask the system (the system's answer allocates).
#pragma once

#include <cstdint>

namespace platform::posix {

struct ThreadStack {
  std::uintptr_t limit = 0;  // the lowest address the stack may grow down to
  std::uintptr_t top = 0;    // its upper end; 0 while not known
};

// The calling thread's bounds as last learnt; safe in a signal handler.
const ThreadStack& KnownThreadStack();
// Asks the system for the calling thread's bounds and keeps them. For the
// first thread the answer comes from the process's memory map.
const ThreadStack& LearnThreadStack();

}  // namespace platform::posix
