// Pages for the runtime's own memory, mapped anonymously.
#include <sys/mman.h>

#include "platform/platform.h"

namespace platform {

void* AllocatePages(std::size_t size) {
  void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

void FreePages(void* pages, std::size_t size) {
  ::munmap(pages, size);
}

}  // namespace platform
