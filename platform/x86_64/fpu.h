// The x86-64 floating-point control values.
#pragma once

#include <cstdint>

#include "platform/fpu.h"

namespace platform {

// Invalid operation, division by zero and overflow raise processor
// exceptions; denormal operands, underflow and inexact results are masked.
constexpr std::uint16_t Default8087CW = 0x1332;
constexpr std::uint32_t DefaultMXCSR = 0x1900;

// The current SSE control and status value.
std::uint32_t ReadMxcsr();

}  // namespace platform
