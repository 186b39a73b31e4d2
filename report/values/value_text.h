// The text of the values under a frame line, formed in a buffer wider than
// a report line and cut to one, with "..." where it was cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace rt {

class ValueText {
 public:
  void Append(std::string_view s);
  void AppendUnsigned(std::uint64_t value);
  void AppendSigned(std::int64_t value);
  void AppendHex(std::uint64_t value);  // "0x" and lower-case digits
  // A character as a program writes it, escaped where it does not print:
  // 'q', '\n', '\x01'.
  void AppendChar(unsigned char c);
  // A string's text in double quotes, escaped, at most limit bytes of it
  // ("..." after the quote where there were more).
  void AppendQuoted(const std::uint8_t* bytes, std::size_t n, bool more);
  // A floating-point value in the fewest digits that read back the same.
  void AppendFloat(double value);
  void AppendFloat(float value);

  bool full() const { return length_ >= kCapacity; }
  std::size_t length() const { return length_; }
  // The line: indent, then the text, cut to a report line's 255 bytes with
  // "..." at its end where it was longer.
  Text Line(std::string_view indent) const;

 private:
  static constexpr std::size_t kCapacity = 512;
  char bytes_[kCapacity];
  std::size_t length_ = 0;
};

}  // namespace rt
