// Memory for a compression library's own state, taken from a memory
// resource through the calls the library makes: its free call gives no
// size, so each block carries its size in a header before it.
#pragma once

#include <cstddef>
#include <memory_resource>

namespace rt {

// A block of size bytes, aligned for any type; null when the resource
// refuses, as the library expects.
void* AllocateSized(std::pmr::memory_resource* resource, std::size_t size) noexcept;
// Gives back a block of AllocateSized; null is no block.
void FreeSized(std::pmr::memory_resource* resource, void* block) noexcept;

}  // namespace rt
