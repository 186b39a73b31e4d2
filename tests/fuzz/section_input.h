// Arbitrary bytes as debug sections: an address (8 bytes), then each
// section of a list after its 2-byte length (0: absent), then .debug_line,
// the rest. The sections stay in the input; the object is not to be moved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dwarf/debug_sections.h"
#include "exe/byte_source.h"

template <std::size_t N>
struct SectionInput {
  // False where the input is too short for the address.
  bool Split(const std::uint8_t* data, std::size_t size, const rt::DebugSection (&order)[N]) {
    if (size < 8) return false;
    std::memcpy(&address, data, 8);
    std::size_t at = 8;
    for (std::size_t i = 0; i < N; ++i) {
      std::size_t length = 0;
      if (size - at >= 2) length = data[at] | std::size_t{data[at + 1]} << 8;
      at += size - at >= 2 ? 2 : size - at;
      if (length > size - at) length = size - at;
      sources[i] = rt::MemorySource(data + at, static_cast<std::int64_t>(length));
      if (length != 0) sections.Set(order[i], &sources[i]);
      at += length;
    }
    line = rt::MemorySource(data + at, static_cast<std::int64_t>(size - at));
    sections.Set(rt::DebugSection::kLine, &line);
    return true;
  }

  std::uint64_t address = 0;
  rt::MemorySource sources[N];
  rt::MemorySource line;
  rt::DebugSources sections;
};
