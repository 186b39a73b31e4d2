// The exception-code table. Everything here is safe in a signal handler.
#include "platform/fault_codes.h"

#include "base/error_numbers.h"

namespace platform {

std::int32_t RunErrorCode(std::uint32_t exception_code) {
  switch (exception_code) {
    case kStatusAccessViolation:
      return rt::kGeneralProtectionFault;
    case kStatusIllegalInstruction:
      return -rt::kGeneralProtectionFault;
    case kStatusArrayBoundsExceeded:
      return rt::kRangeCheckError;
    case kStatusFloatDenormalOperand:
      return -rt::kFloatUnderflow;
    case kStatusFloatDivideByZero:
      return -rt::kFloatDivisionByZero;
    case kStatusFloatInexactResult:
    case kStatusFloatInvalidOperation:
    case kStatusFloatStackCheck:
      return -rt::kInvalidFloatOperation;
    case kStatusFloatOverflow:
      return -rt::kFloatOverflow;
    case kStatusFloatUnderflow:
      return -rt::kFloatUnderflow;
    case kStatusIntegerDivideByZero:
      return rt::kDivisionByZero;
    case kStatusIntegerOverflow:
      return rt::kArithmeticOverflow;
    case kStatusPrivilegedInstruction:
      return rt::kPrivilegedInstruction;
    case kStatusStackOverflow:
      return rt::kStackOverflow;
    case kStatusControlCExit:
      return rt::kControlC;
    case kStatusFloatMultipleFaults:
    case kStatusFloatMultipleTraps:
      return -rt::kUnknownException;
    default:
      return rt::kUnknownException;
  }
}

}  // namespace platform
