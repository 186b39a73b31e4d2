// Processor and system exceptions to run-time error numbers. Faults are
// named by their exception codes on every platform; a platform with
// signals translates each signal to the code of the same fault first.
#pragma once

#include <cstdint>

namespace platform {

constexpr std::uint32_t kStatusAccessViolation = 0xC0000005;
constexpr std::uint32_t kStatusIllegalInstruction = 0xC000001D;
constexpr std::uint32_t kStatusArrayBoundsExceeded = 0xC000008C;
constexpr std::uint32_t kStatusFloatDenormalOperand = 0xC000008D;
constexpr std::uint32_t kStatusFloatDivideByZero = 0xC000008E;
constexpr std::uint32_t kStatusFloatInexactResult = 0xC000008F;
constexpr std::uint32_t kStatusFloatInvalidOperation = 0xC0000090;
constexpr std::uint32_t kStatusFloatOverflow = 0xC0000091;
constexpr std::uint32_t kStatusFloatStackCheck = 0xC0000092;
constexpr std::uint32_t kStatusFloatUnderflow = 0xC0000093;
constexpr std::uint32_t kStatusIntegerDivideByZero = 0xC0000094;
constexpr std::uint32_t kStatusIntegerOverflow = 0xC0000095;
constexpr std::uint32_t kStatusPrivilegedInstruction = 0xC0000096;
constexpr std::uint32_t kStatusStackOverflow = 0xC00000FD;
constexpr std::uint32_t kStatusControlCExit = 0xC000013A;
constexpr std::uint32_t kStatusFloatMultipleFaults = 0xC00002B4;
constexpr std::uint32_t kStatusFloatMultipleTraps = 0xC00002B5;

// The error number of an exception; negative for the classes after which
// the floating-point unit is reset. Safe in a signal handler.
std::int32_t RunErrorCode(std::uint32_t exception_code);

// True for the two codes that stand for several floating-point faults at
// once, which a processor may tell apart by its status at the fault.
constexpr bool IsMultipleFloatFault(std::uint32_t exception_code) {
  return exception_code == kStatusFloatMultipleFaults ||
         exception_code == kStatusFloatMultipleTraps;
}

}  // namespace platform
