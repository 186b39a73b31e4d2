// The modes of the runtime's files, text streams and byte-oriented files
// alike, and the handle of a file that is not open.
#pragma once

#include <cstdint>

namespace rt {

constexpr std::int32_t ModeClosed = 0xD7B0;
constexpr std::int32_t ModeInput = 0xD7B1;
constexpr std::int32_t ModeOutput = 0xD7B2;
constexpr std::int32_t ModeInOut = 0xD7B3;
constexpr std::int32_t ModeAppend = 0xD7B4;

// A platform handle is 64 bits wide on every platform.
constexpr std::int64_t UnusedHandle = -1;

}  // namespace rt
