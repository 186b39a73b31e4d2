// Reading frameline's command line.
#include "tools/frameline_options.h"

#include <cstddef>
#include <string>

#include "dwarf/source_lookup.h"

namespace frameline {

namespace {

enum class Option { kFunctions, kInlines, kSource, kDebugRoot, kFullScan, kHelp, kVersion };

// Every option, as the parser takes it and the help describes it.
struct OptionEntry {
  Option option;
  std::string_view short_name, long_name, value, text;
};

constexpr OptionEntry kOptions[] = {
    {Option::kFunctions, "-f", "--functions", "",
     "put the name of each frame's function (\"??\" where none is known) on a line before it"},
    {Option::kInlines, "-i", "--inlines", "",
     "add a frame line for each inlined call that led to the address, innermost first"},
    {Option::kSource, "-s", "--source", "",
     "show under each frame line the source line it names, with a caret under its column, "
     "where the file is found and is not newer than FILE"},
    {Option::kDebugRoot, "", "--debug-root", "DIR",
     "look for separate debug files under DIR (by default " QUIZ_DEBUG_ROOT ")"},
    {Option::kFullScan, "", "--full-scan", "",
     "search every unit of the line table, not only those the file says hold the address"},
    {Option::kHelp, "-h", "--help", "", "print this help and exit"},
    {Option::kVersion, "", "--version", "", "print the version and exit"},
};

const OptionEntry* FindOption(std::string_view word) {
  for (const OptionEntry& entry : kOptions) {
    if (word == entry.long_name || (!entry.short_name.empty() && word == entry.short_name)) {
      return &entry;
    }
  }
  return nullptr;
}

void Apply(Option option, std::string_view value, Options& options) {
  switch (option) {
    case Option::kFunctions:
      options.detail |= rt::kFunctionNames;
      break;
    case Option::kInlines:
      options.detail |= rt::kInlinedCalls;
      break;
    case Option::kSource:
      options.source = true;
      break;
    case Option::kDebugRoot:
      options.debug_root = value;
      break;
    case Option::kFullScan:
      options.full_scan = true;
      break;
    case Option::kHelp:
      options.help = true;
      break;
    case Option::kVersion:
      options.version = true;
      break;
  }
}

// The description starts at column kColumn and wraps there, at a word,
// before column 80.
constexpr std::size_t kColumn = 24, kWidth = 79;

void AppendWrapped(std::string& text, std::size_t at, std::string_view words) {
  if (at >= kColumn) {
    text.append("\n");
    at = 0;
  }
  text.append(kColumn - at, ' ');
  at = kColumn;
  while (!words.empty()) {
    std::size_t end = words.find(' ');
    std::string_view word = words.substr(0, end);
    if (at > kColumn && at + 1 + word.size() > kWidth) {
      text.append("\n").append(kColumn, ' ');
      at = kColumn;
    } else if (at > kColumn) {
      text.append(" ");
      ++at;
    }
    text.append(word);
    at += word.size();
    words.remove_prefix(end == std::string_view::npos ? words.size() : end + 1);
  }
  text.append("\n");
}

}  // namespace

std::string Help() {
  std::string text =
      "Usage: frameline [OPTION]... FILE [ADDRESS]...\n"
      "Print, for each hexadecimal address (with or without 0x) in the executable or\n"
      "shared library FILE, the frame line that an error report would show for it:\n"
      "its source line and file, read from FILE's line table or its separate debug\n"
      "file. Without addresses, read them from standard input, one per line, and\n"
      "answer each line as it comes.\n\nOptions:\n";
  for (const OptionEntry& entry : kOptions) {
    std::string names = "  ";
    names.append(entry.short_name.empty() ? "    " : std::string(entry.short_name) + ", ");
    names.append(entry.long_name);
    if (!entry.value.empty()) names.append(" ").append(entry.value);
    text.append(names);
    AppendWrapped(text, names.size(), entry.text);
  }
  text.append(
      "\nExit status: 0 when FILE could be read; 2 when it could not, when a read\n"
      "failed, or for an unknown option.\n");
  return text;
}

std::string Version() {
  return "frameline (quiz) " QUIZ_VERSION
         "\nLicense BSL-1.0: Boost Software License 1.0 <https://www.boost.org/LICENSE_1_0.txt>\n";
}

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
    const OptionEntry* found = FindOption(arguments[0]);
    std::size_t taken = found != nullptr && !found->value.empty() ? 2 : 1;
    if (found == nullptr || arguments.size() < taken) {
      status = Fail("unknown option or option without its value: ", arguments[0]);
      return false;
    }
    Apply(found->option, taken == 2 ? arguments[1] : std::string_view(), options);
    arguments.erase(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(taken));
  }
  return true;
}

}  // namespace frameline
