// The size of a memory page as the kernel maps them.
#pragma once

#include <cstdint>

namespace platform::posix {

// The fault handler and the module search both round addresses to pages, so
// they must agree on one size.
constexpr std::uintptr_t kPageSize = 4096;

}  // namespace platform::posix
