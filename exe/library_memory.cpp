// Blocks with their size in a header of one alignment unit.
#include "exe/library_memory.h"

#include <cstdint>
#include <cstring>

namespace rt {

namespace {

constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

void* AllocateSized(std::pmr::memory_resource* resource, std::size_t size) noexcept {
  if (size > SIZE_MAX - kHeader) return nullptr;
  std::size_t whole = size + kHeader;
  try {
    auto* bytes = static_cast<unsigned char*>(resource->allocate(whole, kHeader));
    std::memcpy(bytes, &whole, sizeof whole);
    return bytes + kHeader;
  } catch (...) {
    // The heap's resource throws where the library wants a null answer.
    return nullptr;
  }
}

void FreeSized(std::pmr::memory_resource* resource, void* block) noexcept {
  if (block == nullptr) return;
  unsigned char* bytes = static_cast<unsigned char*>(block) - kHeader;
  std::size_t whole;
  std::memcpy(&whole, bytes, sizeof whole);
  resource->deallocate(bytes, whole, kHeader);
}

}  // namespace rt
