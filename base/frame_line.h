// Frame lines of the run-time error report, formed here for the report and
// for the tools that print the same lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace rt {

// As many frame lines as a report shows on a stream that is not standard; a
// fault's record keeps as many return addresses, so that none it shows is lost.
constexpr std::size_t kMaxFrameLines = 256;

// Two blanks, "$" and the code address in sixteen hexadecimal digits.
inline Text PlainFrameLine(std::uint64_t addr) {
  Text text;
  text.Append("  $");
  text.AppendHex16(addr);
  return text;
}

// Appends " line N of FILE" for a source position; the line part is left
// out for line 0, and nothing is appended without a file name.
inline void AppendSourcePosition(Text& frame_line, std::string_view source, std::int64_t line) {
  if (source.empty()) return;
  if (line != 0) {
    frame_line.Append(" line ");
    frame_line.AppendDecimal(line);
  }
  frame_line.Append(" of ");
  frame_line.Append(source);
}

}  // namespace rt
