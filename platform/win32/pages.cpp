// Pages for the runtime's own memory, reserved and committed at once.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

void* AllocatePages(std::size_t size) {
  return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

// A release gives back the whole region that VirtualAlloc made, whose size
// the system knows.
void FreePages(void* pages, std::size_t) {
  ::VirtualFree(pages, 0, MEM_RELEASE);
}

}  // namespace platform
