// CRC-32 of debug files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

// CRC-32 (reflected polynomial 0xEDB88320, as zlib computes it); a whole
// file's starts from 0.
std::uint32_t UpdateCRC32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t n);

}  // namespace rt
