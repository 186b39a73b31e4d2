// The aarch64 floating-point control value.
#pragma once

#include <cstdint>

#include "platform/fpu.h"

namespace platform {

// Invalid operation, division by zero and overflow trap where the processor
// implements floating-point traps (most do not: there these bits read as 0
// and the operations give their default results); rounding to nearest.
constexpr std::uint64_t DefaultFPCR = 0x700;

// The current floating-point control value.
std::uint64_t ReadFpcr();

}  // namespace platform
