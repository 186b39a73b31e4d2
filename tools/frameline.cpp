// frameline [--debug-root DIR] [--full-scan] FILE ADDRESS...: prints, for
// each hexadecimal address, the frame line that an error report would show
// for it, with FILE read at its own image base; its debug file is searched
// for as the report searches, with DIR as the debug root (by default the
// build's). --full-scan searches every unit of the line table rather than
// those the file says hold the address, to compare the two ways. Exit
// status 0 when FILE could be read, 2 otherwise.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/frame_line.h"
#include "dwarf/debug_sections.h"
#include "dwarf/line/line_table.h"
#include "exe/exe_file.h"
#include "platform/platform.h"

namespace {

constexpr int kUnusable = 2;

// Hexadecimal, with or without "0x"; false for anything else.
bool ParseAddress(std::string_view text, std::uint64_t& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 16) return false;
  value = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return true;
}

bool Write(platform::StdHandleKind kind, std::string_view bytes) {
  std::size_t written = 0;
  return platform::WriteFile(platform::GetStdHandle(kind), bytes.data(), bytes.size(), written) ==
         platform::kNoError;
}

int Fail(std::string_view message, std::string_view detail) {
  std::string line = "frameline: ";
  line.append(message).append(detail).append("\n");
  Write(platform::StdHandleKind::kError, line);
  return kUnusable;
}

int ReadFailed(std::uint16_t io_error) {
  return Fail("a read failed with I/O error ", std::to_string(io_error));
}

int Run(std::vector<std::string_view> arguments) {
  std::string_view debug_root = QUIZ_DEBUG_ROOT;
  bool full_scan = false;
  while (!arguments.empty() && arguments[0].starts_with("--")) {
    if (arguments[0] == "--full-scan") {
      full_scan = true;
      arguments.erase(arguments.begin());
    } else if (arguments[0] == "--debug-root" && arguments.size() >= 2) {
      debug_root = arguments[1];
      arguments.erase(arguments.begin(), arguments.begin() + 2);
    } else {
      return Fail("unknown option or option without its value: ", arguments[0]);
    }
  }
  if (arguments.size() < 2) {
    return Fail("usage: frameline [--debug-root DIR] [--full-scan] FILE ADDRESS...", "");
  }
  std::vector<std::uint64_t> addresses;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::uint64_t address;
    if (!ParseAddress(arguments[i], address))
      return Fail("not a hexadecimal address: ", arguments[i]);
    addresses.push_back(address);
  }

  // The same search and lookup as the report's, without a load delta.
  static rt::TExeFile exe;
  static rt::LineTable table;
  table.SetFullScan(full_scan);
  static rt::LineFileReaders readers;
  rt::LineFile line_file;
  rt::LineFileSearch search = rt::FindLineFile(exe, arguments[0], debug_root, line_file);
  if (search.kind == rt::LineFileSearch::kUnreadable) {
    return Fail("cannot read an executable from ", arguments[0]);
  }
  // All at once: a unit that several addresses need is read once.
  std::vector<rt::SourceFrames> frames(addresses.size());
  if (search.kind == rt::LineFileSearch::kFound) {
    readers.Bind(exe, line_file);
    std::uint16_t io_error =
        table.LookupMany(readers.sources(), addresses.data(), addresses.size(), frames.data());
    rt::FileResult closed = rt::CloseExeFile(exe);
    if (io_error == 0) io_error = closed.io_error;
    if (io_error != 0) return ReadFailed(io_error);
  }
  std::string out;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    out.append(rt::FrameLine(addresses[i], frames[i]).view()).append("\n");
  }
  if (!Write(platform::StdHandleKind::kOutput, out))
    return Fail("cannot write the frame lines", "");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> arguments(argv + 1, argv + argc);
  return Run(arguments);
}
