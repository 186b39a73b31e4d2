// Forming values' text without the heap: the report may stand on a broken
// one.
#include "report/values/value_text.h"

#include <charconv>

namespace rt {

void ValueText::Append(std::string_view s) {
  for (char c : s) {
    if (length_ == kCapacity) return;
    bytes_[length_++] = c;
  }
}

void ValueText::AppendUnsigned(std::uint64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void ValueText::AppendSigned(std::int64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void ValueText::AppendHex(std::uint64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value, 16).ptr;
  Append("0x");
  Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

namespace {

// The escape of a character that does not print as itself, or none.
const char* EscapeOf(unsigned char c, char quote) {
  switch (c) {
    case '\n':
      return "\\n";
    case '\t':
      return "\\t";
    case '\r':
      return "\\r";
    case '\0':
      return "\\0";
    case '\\':
      return "\\\\";
    default:
      break;
  }
  if (c == static_cast<unsigned char>(quote)) return quote == '\'' ? "\\'" : "\\\"";
  return nullptr;
}

void AppendHexEscape(ValueText& text, unsigned char c) {
  char hex[5] = {'\\', 'x', "0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15], 0};
  text.Append(hex);
}

void AppendEscaped(ValueText& text, unsigned char c, char quote) {
  if (const char* escape = EscapeOf(c, quote)) {
    text.Append(escape);
  } else if (c < 0x20 || c == 0x7F) {
    AppendHexEscape(text, c);
  } else {
    char one = static_cast<char>(c);
    text.Append(std::string_view(&one, 1));
  }
}

}  // namespace

void ValueText::AppendChar(unsigned char c) {
  Append("'");
  AppendEscaped(*this, c, '\'');
  Append("'");
}

namespace {

// The length of the UTF-8 sequence at bytes, 0 where none starts there.
std::size_t SequenceLength(const std::uint8_t* bytes, std::size_t left) {
  std::uint8_t lead = bytes[0];
  std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || length > left) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

void ValueText::AppendQuoted(const std::uint8_t* bytes, std::size_t n, bool more) {
  Append("\"");
  // Text in UTF-8 stays as it is; any other byte above 0x7F is escaped, so
  // that a string of stray bytes cannot spoil the report's own text.
  for (std::size_t i = 0; i < n;) {
    std::size_t length = bytes[i] < 0x80 ? 0 : SequenceLength(bytes + i, n - i);
    if (length > 0) {
      Append(std::string_view(reinterpret_cast<const char*>(bytes + i), length));
      i += length;
      continue;
    }
    if (bytes[i] >= 0x80) {
      AppendHexEscape(*this, bytes[i]);
    } else {
      AppendEscaped(*this, bytes[i], '"');
    }
    ++i;
  }
  Append(more ? "\"..." : "\"");
}

void ValueText::AppendFloat(double value) {
  char digits[32];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

void ValueText::AppendFloat(float value) {
  char digits[32];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

Text ValueText::Line(std::string_view indent) const {
  Text line(indent);
  std::size_t room = Text::kCapacity - line.length;
  if (length_ <= room) {
    line.Append(std::string_view(bytes_, length_));
  } else {
    line.Append(std::string_view(bytes_, room - 3));
    line.Append("...");
  }
  return line;
}

}  // namespace rt
