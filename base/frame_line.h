// The frame lines of the run-time error report, formed here for the report
// and for the tools that print the same lines.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/source_frame.h"
#include "base/text.h"

namespace rt {

// Two blanks, "$" and the code address in sixteen hexadecimal digits.
inline Text PlainFrameLine(std::uint64_t addr) {
  Text text;
  text.Append("  $");
  text.AppendHex16(addr);
  return text;
}

// The frame line of a code address in a source frame: the plain line, then
// " line N of FILE", cut at 255 bytes. The line part is left out for line 0,
// and nothing follows the address without a file.
inline Text FrameLine(std::uint64_t addr, const SourceFrame& frame) {
  Text text = PlainFrameLine(addr);
  if (frame.file.length == 0) return text;
  if (frame.line != 0) {
    text.Append(" line ");
    text.AppendDecimal(frame.line);
  }
  text.Append(" of ");
  text.Append(frame.file.view());
  return text;
}

// The frame line of a program with its own main: FrameLine's, then " in
// NAME" where the frame names its function; a frame without a file then
// names its module in parentheses (the file's name, without its folders),
// unless that is the program itself, whose module is empty.
inline Text NamedFrameLine(std::uint64_t addr, const SourceFrame& frame, std::string_view module) {
  Text text = FrameLine(addr, frame);
  if (frame.function.length > 0) {
    text.Append(" in ");
    text.Append(frame.function.view());
  }
  if (frame.file.length == 0 && !module.empty()) {
    std::size_t slash = module.find_last_of("/\\");
    text.Append(" (");
    text.Append(slash == std::string_view::npos ? module : module.substr(slash + 1));
    text.Append(")");
  }
  return text;
}

// The frame line of a code address by the innermost of the source frames
// that hold it: the plain line where none does.
inline Text FrameLine(std::uint64_t addr, const SourceFrames& frames) {
  return frames.empty() ? PlainFrameLine(addr) : FrameLine(addr, frames.front());
}

}  // namespace rt
