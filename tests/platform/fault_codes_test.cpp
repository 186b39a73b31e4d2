// The exception-code table.
#include "platform/fault_codes.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(FaultCodesTest, TableGivesEachFaultItsNumber) {
  struct {
    std::uint32_t code;
    std::int32_t number;
  } cases[] = {
      {platform::kStatusAccessViolation, 216},
      {platform::kStatusIllegalInstruction, -216},
      {platform::kStatusArrayBoundsExceeded, 201},
      {platform::kStatusFloatDenormalOperand, -206},
      {platform::kStatusFloatDivideByZero, -208},
      {platform::kStatusFloatInexactResult, -207},
      {platform::kStatusFloatInvalidOperation, -207},
      {platform::kStatusFloatOverflow, -205},
      {platform::kStatusFloatStackCheck, -207},
      {platform::kStatusFloatUnderflow, -206},
      {platform::kStatusIntegerDivideByZero, 200},
      {platform::kStatusIntegerOverflow, 215},
      {platform::kStatusPrivilegedInstruction, 218},
      {platform::kStatusStackOverflow, 202},
      {platform::kStatusControlCExit, 217},
      {platform::kStatusFloatMultipleFaults, -255},
      {platform::kStatusFloatMultipleTraps, -255},
      {0xC0000001, 255},
      {0, 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.code);
    EXPECT_EQ(platform::RunErrorCode(c.code), c.number);
  }
}

}  // namespace
