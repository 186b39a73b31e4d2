// The floating-point unit's control values and their reset.
#pragma once

#include <cstdint>

namespace rt {

// Invalid operation, division by zero and overflow raise processor
// exceptions; denormal operands, underflow and inexact results are masked.
constexpr std::uint16_t Default8087CW = 0x1332;
constexpr std::uint32_t DefaultMXCSR = 0x1900;

// Initialises the x87 unit and loads both control values. Safe to call
// from a signal handler.
void ResetFloatingPointUnit();

// The current SSE control and status value.
std::uint32_t ReadMxcsr();

}  // namespace rt
