// The exception-code table. Everything here is safe in a signal handler.
#include "runtime/fault_codes.h"

namespace rt {

std::int32_t RunErrorCode(std::uint32_t exception_code) {
  switch (exception_code) {
    case kAccessViolation:
      return 216;
    case kIllegalInstruction:
      return -216;
    case kArrayBoundsExceeded:
      return 201;
    case kFloatDenormalOperand:
      return -206;
    case kFloatDivideByZero:
      return -208;
    case kFloatInexactResult:
    case kFloatInvalidOperation:
    case kFloatStackCheck:
      return -207;
    case kFloatOverflow:
      return -205;
    case kFloatUnderflow:
      return -206;
    case kIntegerDivideByZero:
      return 200;
    case kIntegerOverflow:
      return 215;
    case kPrivilegedInstruction:
      return 218;
    case kStackOverflow:
      return 202;
    case kControlCExit:
      return 217;
    case kFloatMultipleFaults:
    case kFloatMultipleTraps:
      return -255;
    default:
      return 255;
  }
}

void TranslateMxcsr(std::uint32_t status, std::int32_t& number) {
  switch (status & 0x3F) {
    case 1:  // invalid operation
      number = -207;
      break;
    case 2:  // denormal operand
      number = -206;
      break;
    case 4:  // division by zero
      number = -208;
      break;
    case 8:  // overflow
      number = -205;
      break;
    case 16:  // underflow
      number = -206;
      break;
    case 32:  // inexact result
      number = -207;
      break;
    default:
      break;
  }
}

std::int32_t RunErrorCodeX64(std::uint32_t exception_code, std::uint32_t mxcsr) {
  std::int32_t number = RunErrorCode(exception_code);
  if (exception_code == kFloatMultipleFaults || exception_code == kFloatMultipleTraps) {
    TranslateMxcsr(mxcsr, number);
  }
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

}  // namespace rt
