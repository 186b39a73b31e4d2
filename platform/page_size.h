// The size of a memory page, as the runtime rounds addresses to pages.
#pragma once

#include <cstdint>

namespace platform {

// The fault handler, the module search and the executable reader's image
// base all round to pages, and a module's load delta is the difference of
// two such roundings: they must agree on one size.
constexpr std::uint64_t kPageSize = 4096;

}  // namespace platform
