// The bounds of each thread's stack, kept per thread: the fault handler
// needs them and may not ask the system (the system's answer allocates).
#pragma once

#include <cstdint>

namespace platform::posix {

struct ThreadStack {
  std::uintptr_t limit = 0;  // the lowest address the stack may grow down to
  std::uintptr_t top = 0;    // its upper end; 0 while not known
};

// The calling thread's bounds as last learnt, else, for the first thread,
// as the process's memory map gives them; safe in a signal handler.
const ThreadStack& KnownThreadStack();
// Asks the system for the calling thread's bounds and keeps them. For the
// first thread the answer comes from the process's memory map.
const ThreadStack& LearnThreadStack();
// The first thread's bounds from the memory map, read with system calls
// alone; false where the map has no stack.
bool ReadFirstThreadStack(ThreadStack& stack);
// Whether the calling thread is the process's first.
bool IsFirstThread();

}  // namespace platform::posix
