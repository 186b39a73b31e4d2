// MD5 as RFC 1321 describes it: 64-byte blocks, four rounds of sixteen
// steps, the length in bits appended little-endian.
#include "report/source/md5.h"

#include <cmath>
#include <cstring>

namespace rt {

namespace {

struct SineTable {
  std::uint32_t entries[64];
};

// 2^32 times |sin(i + 1)|, rounded down, which a double forms exactly.
SineTable MakeSineTable() {
  SineTable table;
  for (int i = 0; i < 64; ++i) {
    table.entries[i] =
        static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
  }
  return table;
}

constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t RotateLeft(std::uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

std::uint32_t LoadLittle(const std::uint8_t* p) {
  std::uint32_t word = 0;
  for (int i = 3; i >= 0; --i) word = (word << 8) | p[i];
  return word;
}

// The round's function of b, c and d, and which word of the block the step
// takes.
std::uint32_t Mix(int step, std::uint32_t b, std::uint32_t c, std::uint32_t d, int& word) {
  switch (step / 16) {
    case 0:
      word = step;
      return (b & c) | (~b & d);
    case 1:
      word = (5 * step + 1) % 16;
      return (b & d) | (c & ~d);
    case 2:
      word = (3 * step + 5) % 16;
      return b ^ c ^ d;
    default:
      word = (7 * step) % 16;
      return c ^ (b | ~d);
  }
}

}  // namespace

Md5::Md5() : state_{0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476} {}

void Md5::Transform(const std::uint8_t block[64]) {
  static const SineTable sines = MakeSineTable();  // built on first use
  std::uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = LoadLittle(block + 4 * i);
  std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  for (int step = 0; step < 64; ++step) {
    int word = 0;
    std::uint32_t f = Mix(step, b, c, d, word) + a + sines.entries[step] + words[word];
    a = d;
    d = c;
    c = b;
    b += RotateLeft(f, kShifts[step / 16][step % 4]);
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::Update(const void* bytes, std::size_t n) {
  const std::uint8_t* p = static_cast<const std::uint8_t*>(bytes);
  std::size_t filled = length_ % 64;
  length_ += n;
  while (n > 0) {
    std::size_t take = n < 64 - filled ? n : 64 - filled;
    std::memcpy(block_ + filled, p, take);
    p += take;
    n -= take;
    filled += take;
    if (filled < 64) break;
    Transform(block_);
    filled = 0;
  }
}

void Md5::Final(std::uint8_t digest[kDigestSize]) {
  std::uint64_t bits = length_ * 8;
  const std::uint8_t pad = 0x80, zero = 0;
  Update(&pad, 1);
  while (length_ % 64 != 56) Update(&zero, 1);
  std::uint8_t size[8];
  for (int i = 0; i < 8; ++i) size[i] = static_cast<std::uint8_t>(bits >> (8 * i));
  Update(size, 8);
  for (int i = 0; i < 16; ++i)
    digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (8 * (i % 4)));
}

}  // namespace rt
