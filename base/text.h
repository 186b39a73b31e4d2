// A short text: at most 255 bytes with a one-byte length, formed in place
// without allocating; longer results are cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rt {

// Forms the decimal digits of a magnitude backwards from `end`, most
// significant first, without leading zeros; returns where they begin. At most
// 20 digits are formed.
inline char* FormDecimal(std::uint64_t magnitude, char* end) {
  do {
    *--end = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  return end;
}

// As FormDecimal, with a minus sign before the digits of a negative value; at
// most 21 bytes are formed. The magnitude is taken unsigned so that the most
// negative value has one.
inline char* FormSignedDecimal(std::int64_t value, char* end) {
  std::uint64_t magnitude =
      value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char* begin = FormDecimal(magnitude, end);
  if (value < 0) *--begin = '-';
  return begin;
}

struct Text {
  static constexpr std::size_t kCapacity = 255;

  Text() = default;
  explicit Text(std::string_view s) { Append(s); }

  std::uint8_t length = 0;
  char bytes[kCapacity];

  std::string_view view() const { return std::string_view(bytes, length); }

  void Append(std::string_view s) {
    std::size_t room = kCapacity - length;
    std::size_t n = s.size() < room ? s.size() : room;
    for (std::size_t i = 0; i < n; ++i) bytes[length + i] = s[i];
    length = static_cast<std::uint8_t>(length + n);
  }

  // Sixteen upper-case hexadecimal digits with leading zeros.
  void AppendHex16(std::uint64_t value) {
    char digits[16];
    for (int i = 15; i >= 0; --i, value >>= 4) digits[i] = "0123456789ABCDEF"[value & 0xF];
    Append(std::string_view(digits, 16));
  }

  // Decimal, with a minus sign when negative.
  void AppendDecimal(std::int64_t value) {
    char digits[21];
    char* end = digits + sizeof digits;
    char* begin = FormSignedDecimal(value, end);
    Append(std::string_view(begin, static_cast<std::size_t>(end - begin)));
  }
};

}  // namespace rt
