// What x86-64 adds to the exception-code table: the SSE status refinement
// of multiple floating-point faults, and the prefetch test.
#include "platform/x86_64/fault_numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>

#include "platform/fault_codes.h"

namespace {

TEST(X64FaultNumbersTest, OnlyMultipleFaultsLookAtTheStatus) {
  for (std::uint32_t code : {platform::kStatusAccessViolation, platform::kStatusFloatOverflow,
                             platform::kStatusIntegerDivideByZero, 0xC0000001u}) {
    EXPECT_EQ(platform::RunErrorCodeX64(code, 0x4), platform::RunErrorCode(code)) << code;
  }
  EXPECT_EQ(platform::RunErrorCodeX64(platform::kStatusFloatMultipleFaults, 0x4), -208);
}

TEST(X64FaultNumbersTest, MultipleFaultsAreToldApartByOneStatusFlag) {
  struct {
    std::uint32_t status;
    std::int32_t number;
  } cases[] = {{0x01, -207},
               {0x02, -206},
               {0x04, -208},
               {0x08, -205},
               {0x10, -206},
               {0x20, -207},
               {0x00, -255},
               {0x05, -255},
               {0x3F, -255},
               // Only the six flags count; the masks above them do not.
               {0x1F84, -208}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    EXPECT_EQ(platform::RunErrorCodeX64(platform::kStatusFloatMultipleTraps, c.status), c.number);
  }
}

std::int32_t Translate(std::uint32_t status, std::int32_t number) {
  platform::TranslateMxcsr(status, number);
  return number;
}

TEST(X64FaultNumbersTest, TranslateLeavesOtherNumbersAloneWithoutOneFlag) {
  EXPECT_EQ(Translate(0x00, -255), -255);
  EXPECT_EQ(Translate(0x03, -255), -255);
  EXPECT_EQ(Translate(0x04, -255), -208);
}

bool Prefetch(std::initializer_list<std::uint8_t> bytes) {
  std::uint8_t code[16] = {};
  std::size_t i = 0;
  for (std::uint8_t b : bytes) code[i++] = b;
  return platform::IsPrefetchInstruction(code);
}

TEST(X64FaultNumbersTest, PrefetchAfterUpToFourteenPrefixes) {
  EXPECT_TRUE(Prefetch({0x0F, 0x18, 0x00}));
  EXPECT_TRUE(Prefetch({0x0F, 0x0D, 0x08}));
  EXPECT_TRUE(Prefetch({0x3E, 0x64, 0xF0, 0x0F, 0x18}));
  EXPECT_FALSE(Prefetch({0x0F, 0x19}));
  EXPECT_FALSE(Prefetch({0x90, 0x0F, 0x18}));  // not a prefix
  EXPECT_FALSE(Prefetch({0x48, 0x0F, 0x18}));  // a REX byte is not among the prefixes
  std::uint8_t fourteen[16];
  for (std::uint8_t& b : fourteen) b = 0x66;
  fourteen[14] = 0x0F;
  fourteen[15] = 0x18;
  EXPECT_TRUE(platform::IsPrefetchInstruction(fourteen));
  std::uint8_t fifteen[16];
  for (std::uint8_t& b : fifteen) b = 0x66;
  fifteen[15] = 0x0F;  // only the first 15 positions are looked at
  EXPECT_FALSE(platform::IsPrefetchInstruction(fifteen));
}

}  // namespace
