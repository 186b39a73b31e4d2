// The image base of an ELF module: the address of its lowest loadable
// segment, rounded down to its page. A module's load delta is the
// difference of its image base as loaded and as linked, so the reader of
// its file and the module search must take it alike.
#pragma once

#include <cstdint>

#include "platform/page_size.h"

namespace platform {

inline constexpr std::uint32_t kLoadableSegment = 1;  // PT_LOAD

// Takes a module's program headers one by one, whatever their class and
// wherever they are read from (a file, or the loaded image).
class ImageBase {
 public:
  // Always inlined: the program's pre-initialisation routine reads its
  // segments with it before any page of the ordinary code may be touched.
  [[gnu::always_inline]] void Add(std::uint32_t type, std::uint64_t address) {
    if (type == kLoadableSegment && address < lowest_) lowest_ = address;
  }
  // 0 for a module without loadable segments.
  [[gnu::always_inline]] std::uint64_t Get() const {
    return lowest_ == UINT64_MAX ? 0 : lowest_ & ~(kPageSize - 1);
  }

 private:
  std::uint64_t lowest_ = UINT64_MAX;
};

}  // namespace platform
