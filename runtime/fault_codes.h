// Processor and system exceptions to run-time error numbers. Faults are
// named by their exception codes on every platform; a platform with
// signals translates each signal to the code of the same fault first.
#pragma once

#include <cstdint>

namespace rt {

constexpr std::uint32_t kAccessViolation = 0xC0000005;
constexpr std::uint32_t kIllegalInstruction = 0xC000001D;
constexpr std::uint32_t kArrayBoundsExceeded = 0xC000008C;
constexpr std::uint32_t kFloatDenormalOperand = 0xC000008D;
constexpr std::uint32_t kFloatDivideByZero = 0xC000008E;
constexpr std::uint32_t kFloatInexactResult = 0xC000008F;
constexpr std::uint32_t kFloatInvalidOperation = 0xC0000090;
constexpr std::uint32_t kFloatOverflow = 0xC0000091;
constexpr std::uint32_t kFloatStackCheck = 0xC0000092;
constexpr std::uint32_t kFloatUnderflow = 0xC0000093;
constexpr std::uint32_t kIntegerDivideByZero = 0xC0000094;
constexpr std::uint32_t kIntegerOverflow = 0xC0000095;
constexpr std::uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr std::uint32_t kStackOverflow = 0xC00000FD;
constexpr std::uint32_t kControlCExit = 0xC000013A;
constexpr std::uint32_t kFloatMultipleFaults = 0xC00002B4;
constexpr std::uint32_t kFloatMultipleTraps = 0xC00002B5;

// The error number of an exception; negative for the classes after which
// the floating-point unit is reset.
std::int32_t RunErrorCode(std::uint32_t exception_code);
// As RunErrorCode, with multiple floating-point faults told apart by the
// SSE status at the fault.
std::int32_t RunErrorCodeX64(std::uint32_t exception_code, std::uint32_t mxcsr);
// Replaces -255 when exactly one SSE exception flag is set.
void TranslateMxcsr(std::uint32_t status, std::int32_t& number);

// True when the 16 bytes at a faulting address hold a prefetch instruction
// (0F 0D or 0F 18) after at most 14 prefix bytes.
bool IsPrefetchInstruction(const std::uint8_t (&code)[16]);

}  // namespace rt
