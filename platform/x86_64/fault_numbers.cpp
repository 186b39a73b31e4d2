// The SSE status refinement and the prefetch test. Everything here is safe
// in a signal handler.
#include "platform/x86_64/fault_numbers.h"

#include "base/error_numbers.h"
#include "platform/fault_codes.h"

namespace platform {

void TranslateMxcsr(std::uint32_t status, std::int32_t& number) {
  switch (status & 0x3F) {
    case 1:  // invalid operation
      number = -rt::kInvalidFloatOperation;
      break;
    case 2:  // denormal operand
      number = -rt::kFloatUnderflow;
      break;
    case 4:  // division by zero
      number = -rt::kFloatDivisionByZero;
      break;
    case 8:  // overflow
      number = -rt::kFloatOverflow;
      break;
    case 16:  // underflow
      number = -rt::kFloatUnderflow;
      break;
    case 32:  // inexact result
      number = -rt::kInvalidFloatOperation;
      break;
    default:
      break;
  }
}

std::int32_t RunErrorCodeX64(std::uint32_t exception_code, std::uint32_t mxcsr) {
  std::int32_t number = RunErrorCode(exception_code);
  if (IsMultipleFloatFault(exception_code)) TranslateMxcsr(mxcsr, number);
  return number;
}

bool IsPrefetchInstruction(const std::uint8_t (&code)[16]) {
  for (int i = 0; i < 15; ++i) {
    switch (code[i]) {
      case 0x0F:
        return code[i + 1] == 0x0D || code[i + 1] == 0x18;
      case 0x26:
      case 0x2E:
      case 0x36:
      case 0x3E:
      case 0x64:
      case 0x65:
      case 0x66:
      case 0x67:
      case 0xF0:
      case 0xF2:
      case 0xF3:
        continue;  // a prefix
      default:
        return false;
    }
  }
  return false;
}

}  // namespace platform
