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

void AppendEscaped(ValueText& text, unsigned char c, char quote) {
  if (const char* escape = EscapeOf(c, quote)) {
    text.Append(escape);
  } else if (c < 0x20 || c == 0x7F) {
    char hex[5] = {'\\', 'x', "0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15], 0};
    text.Append(hex);
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

void ValueText::AppendQuoted(const std::uint8_t* bytes, std::size_t n, bool more) {
  Append("\"");
  for (std::size_t i = 0; i < n; ++i) AppendEscaped(*this, bytes[i], '"');
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
