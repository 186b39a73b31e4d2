// What an x86-64 processor adds to the exception-code table: SSE status
// that tells multiple floating-point faults apart, and the prefetch test.
#pragma once

#include <cstdint>

namespace platform {

// As RunErrorCode, with multiple floating-point faults told apart by the
// SSE status at the fault.
std::int32_t RunErrorCodeX64(std::uint32_t exception_code, std::uint32_t mxcsr);
// Replaces -255 when exactly one SSE exception flag is set.
void TranslateMxcsr(std::uint32_t status, std::int32_t& number);

// True when the 16 bytes at a faulting address hold a prefetch instruction
// (0F 0D or 0F 18) after at most 14 prefix bytes.
bool IsPrefetchInstruction(const std::uint8_t (&code)[16]);

}  // namespace platform
