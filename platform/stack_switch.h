// The outermost handler resumes a thread on a stack other than its own (the
// report's). A build with the address sanitizer tells it so, or it would
// take the thread's stack for one of 46 TiB; any other build does nothing.
#pragma once

#include <cstdint>

namespace platform {

// Before the thread leaves for [bottom, top), in the handler.
void AnnounceStackSwitch(std::uint64_t bottom, std::uint64_t top);
// The first thing the thread does on the new stack.
void CompleteStackSwitch();

}  // namespace platform
