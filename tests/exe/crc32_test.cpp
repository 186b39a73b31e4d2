// The CRC-32 of debug files.
#include "exe/debug_file/crc32.h"

#include <gtest/gtest.h>

#include <random>

#if defined(QUIZ_HAVE_ZLIB) && __has_include(<zlib.h>)
#include <zlib.h>
#define EXE_TESTS_ZLIB 1
#endif

namespace {

std::uint32_t Crc(std::uint32_t crc, const std::string& s) {
  return rt::UpdateCRC32(crc, reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

std::string RandomBytes(std::size_t n) {
  std::mt19937 random(n);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random());
  return s;
}

TEST(Crc32Test, KnownValues) {
  EXPECT_EQ(Crc(0, "123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc(0, ""), 0u);
  EXPECT_EQ(Crc(0x12345678, ""), 0x12345678u);
  EXPECT_EQ(Crc(0, std::string(1, '\0')), 0xD202EF8Du);
}

TEST(Crc32Test, ChunkedUpdatesEqualOne) {
  std::string data = RandomBytes(10000);
  for (std::size_t chunk : {1, 3, 4096, 9999}) {
    std::uint32_t crc = 0;
    for (std::size_t at = 0; at < data.size(); at += chunk) crc = Crc(crc, data.substr(at, chunk));
    EXPECT_EQ(crc, Crc(0, data)) << chunk;
  }
}

TEST(Crc32Test, AgreesWithZlib) {
#ifdef EXE_TESTS_ZLIB
  for (std::size_t n : {1, 7, 255, 4096, 65537}) {
    std::string data = RandomBytes(n);
    EXPECT_EQ(Crc(0, data), crc32(0, reinterpret_cast<const Bytef*>(data.data()), n)) << n;
  }
#else
  GTEST_SKIP() << "zlib is not available";
#endif
}

}  // namespace
