// Reading the run-time error report back from a program's output: the error
// line, the frame line of the error address, one frame line per frame of the
// stack walk, and an empty line, each ended by CR LF. A frame line may carry
// the source position that the line table gives for its address; a program
// with its own main counts repeated lines and frames left out.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "process_runner.h"

namespace e2e {

// One frame line: the address, and the source position when the line table
// gave one (" line N of FILE", or " of FILE" alone for line 0); in a program
// with its own main, " in NAME" for a frame that names its function, and
// " (MODULE)" for one outside the program without a position.
struct Frame {
  std::uint64_t addr = 0;
  std::string file;  // empty: a plain frame line
  long line = 0;     // 0: no line part
  std::string function, module;
  std::uint64_t repeats = 0;   // "  (the line above repeats N more times)" follows
  std::uint64_t cycle = 0;     // the lines that repeat, this one the last: 1, or K of
                               // "  (the K lines above repeat N more times)"
  std::uint64_t left_out = 0;  // not a frame: "  (N frames left out)"
  // The lines under it that show its source, each indented six blanks:
  // "-->" and where, the numbered line, the caret; then those of its values.
  std::vector<std::string> snippet, values;
  // After the count line of a cycle that ends here: the values of the first
  // of its calls.
  std::vector<std::string> first_call;
};

struct Report {
  unsigned number = 0;
  std::uint64_t addr = 0;
  Frame own;                  // the frame line of the error address
  std::vector<Frame> frames;  // the stack walk, after the error address's own line
  // The lines on why the program ended, between the error line and the
  // first frame line: a program with its own main has them.
  std::vector<std::string> cause;
  bool rethrown = false;  // "  rethrown at:" stood among the frames
};

namespace detail {

inline bool NextLine(std::string_view text, std::size_t& pos, std::string& line) {
  std::size_t end = text.find("\r\n", pos);
  if (end == std::string_view::npos) return false;
  line = text.substr(pos, end - pos);
  pos = end + 2;
  return true;
}

// Takes prefix and the run of digits after it from the front of text.
inline bool Field(std::string_view& text, std::string_view prefix, const char* digits,
                  std::string_view& field) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  field = text.substr(0, text.find_first_not_of(digits));
  text.remove_prefix(field.size());
  return true;
}

constexpr const char* kHex = "0123456789ABCDEF";

// "  $" and 16 upper-case hexadecimal digits; then, for a position, " line "
// and a decimal number other than 0 if the line is known, " of " and a
// file name.
inline bool FrameLine(std::string_view line, Frame& frame) {
  std::string_view hex, number;
  if (!Field(line, "  $", kHex, hex) || hex.size() != 16) return false;
  frame = Frame();
  frame.addr = std::stoull(std::string(hex), nullptr, 16);
  if (line.empty()) return true;
  if (Field(line, " line ", "-0123456789", number)) {
    std::string_view digits = number.substr(number.starts_with('-'));
    if (digits.empty() || digits.size() > 10 || digits[0] == '0' ||
        digits.find('-') != std::string_view::npos)
      return false;
    frame.line = std::stol(std::string(number));
  }
  if (line.ends_with(")") && !line.starts_with(" of ")) {
    std::size_t open = line.rfind(" (");
    if (open == std::string_view::npos || open + 3 >= line.size()) return false;
    frame.module = line.substr(open + 2, line.size() - open - 3);
    line = line.substr(0, open);
  }
  std::size_t in = line.find(" in ");
  if (in != std::string_view::npos) {
    frame.function = line.substr(in + 4);
    line = line.substr(0, in);
    if (frame.function.empty()) return false;
  }
  if (line.empty() && frame.line == 0) return true;
  if (!line.starts_with(" of ") || line.size() == 4) return false;
  frame.file = line.substr(4);
  return true;
}

// "  (the line above repeats N more times)" or "  (N frames left out)",
// with "time" and "frame" for N = 1: N, or 0 for any other line.
inline std::uint64_t CountLine(std::string_view line, std::string_view before, std::string_view one,
                               std::string_view many) {
  std::string_view number;
  if (!Field(line, before, "0123456789", number) || number.empty() || number.size() > 19 ||
      number[0] == '0') {
    return 0;
  }
  std::uint64_t n = std::stoull(std::string(number));
  return line == (n == 1 ? one : many) ? n : 0;
}

// "  (the K lines above repeat N more times)", K more than 1: K and N, or
// 0 and 0 for any other line.
inline std::pair<std::uint64_t, std::uint64_t> CycleLine(std::string_view line) {
  std::string_view lines;
  if (!Field(line, "  (the ", "0123456789", lines) || lines.empty() || lines.size() > 3 ||
      lines[0] == '0' || lines == "1") {
    return {0, 0};
  }
  std::uint64_t n = CountLine(line, " lines above repeat ", " more time)", " more times)");
  return {n == 0 ? 0 : std::stoull(std::string(lines)), n};
}

inline testing::AssertionResult Bad(const char* what, std::string_view text, std::size_t at) {
  return testing::AssertionFailure()
         << what << " at byte " << at << " of \"" << Escaped(text) << "\"";
}

}  // namespace detail

// The line "Runtime error N at $" and 16 upper-case hexadecimal digits, at
// pos; pos moves past it.
inline testing::AssertionResult ReadErrorLine(std::string_view text, std::size_t& pos, Report& r) {
  std::size_t at = pos;
  std::string line;
  std::string_view number, hex;
  bool ok = detail::NextLine(text, pos, line);
  std::string_view rest = line;
  ok = ok && detail::Field(rest, "Runtime error ", "0123456789", number) && !number.empty() &&
       number.size() <= 5 && number[0] != '0' && detail::Field(rest, " at $", detail::kHex, hex) &&
       hex.size() == 16 && rest.empty();
  if (!ok) return detail::Bad("no error line", text, at);
  r.number = static_cast<unsigned>(std::stoul(std::string(number)));
  r.addr = std::stoull(std::string(hex), nullptr, 16);
  return testing::AssertionSuccess();
}

// A complete report at pos; pos moves past its empty line.
inline testing::AssertionResult ReadReport(std::string_view text, std::size_t& pos, Report& r) {
  if (auto ok = ReadErrorLine(text, pos, r); !ok) return ok;
  r.frames.clear();
  r.cause.clear();
  r.rethrown = false;
  for (std::string line;;) {
    std::size_t at = pos;
    Frame frame;
    if (!detail::NextLine(text, pos, line)) return detail::Bad("no empty line", text, at);
    if (line.empty()) break;
    // The words on why the program ended come before the first frame line.
    if (r.frames.empty() && line.starts_with("  ") && line.size() > 2 && line[2] != '$' &&
        line[2] != '(' && line[2] != ' ') {
      r.cause.push_back(line);
      continue;
    }
    std::uint64_t n = 0;
    auto [cycle, times] = detail::CycleLine(line);
    bool after_frame =
        !r.frames.empty() && r.frames.back().left_out == 0 && r.frames.back().repeats == 0;
    if (after_frame && (n = detail::CountLine(line, "  (the line above repeats ", " more time)",
                                              " more times)")) != 0) {
      r.frames.back().repeats = n;
      r.frames.back().cycle = 1;
    } else if (after_frame && cycle != 0 && cycle <= r.frames.size()) {
      r.frames.back().repeats = times;
      r.frames.back().cycle = cycle;
    } else if ((n = detail::CountLine(line, "  (", " frame left out)", " frames left out)")) != 0) {
      frame.left_out = n;
      r.frames.push_back(frame);
    } else if (after_frame && line.starts_with("      ")) {
      std::vector<std::string>& snippet = r.frames.back().snippet;
      // After "-->": the line's number or blanks, then "| ".
      std::size_t bar = line.find_first_not_of("0123456789 ", 6);
      bool source = line.starts_with("      --> ") ||
                    (!snippet.empty() && snippet.size() < 3 && r.frames.back().values.empty() &&
                     bar != std::string::npos && line.compare(bar - 1, 3, " | ") == 0);
      (source ? snippet : r.frames.back().values).push_back(line);
    } else if (!r.frames.empty() && r.frames.back().repeats != 0 &&
               line.starts_with("      in the first call of ")) {
      r.frames.back().first_call.push_back(line);
    } else if (line == "  rethrown at:" && !r.frames.empty() && !r.rethrown) {
      r.rethrown = true;
    } else if (detail::FrameLine(line, frame)) {
      r.frames.push_back(frame);
    } else {
      return detail::Bad("not a frame line", text, at);
    }
  }
  if (r.frames.empty() || r.frames.front().addr != r.addr)
    return detail::Bad("no frame line of the error address", text, pos);
  r.own = r.frames.front();
  r.frames.erase(r.frames.begin());
  return testing::AssertionSuccess();
}

// The whole text is one report.
inline testing::AssertionResult IsReport(std::string_view text, Report& r) {
  std::size_t pos = 0;
  if (auto ok = ReadReport(text, pos, r); !ok) return ok;
  if (pos != text.size()) return detail::Bad("bytes after the report", text, pos);
  return testing::AssertionSuccess();
}

}  // namespace e2e
