// Reading frameline's command line.
#include "tools/frameline_options.h"

#include <cstddef>
#include <string>

#include "dwarf/source_lookup.h"

namespace frameline {

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

bool TakeOptions(std::vector<std::string_view>& arguments, Options& options, int& status) {
  while (!arguments.empty() && arguments[0].starts_with("-") && arguments[0].size() > 1) {
    std::string_view option = arguments[0];
    std::size_t taken = 1;
    if (option == "--full-scan") {
      options.full_scan = true;
    } else if (option == "-f" || option == "--functions") {
      options.detail |= rt::kFunctionNames;
    } else if (option == "-i" || option == "--inlines") {
      options.detail |= rt::kInlinedCalls;
    } else if (option == "-s" || option == "--source") {
      options.source = true;
    } else if (option == "--debug-root" && arguments.size() >= 2) {
      options.debug_root = arguments[1];
      taken = 2;
    } else {
      status = Fail("unknown option or option without its value: ", option);
      return false;
    }
    arguments.erase(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(taken));
  }
  return true;
}

}  // namespace frameline
