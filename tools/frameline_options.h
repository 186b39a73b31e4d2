// frameline's command line: its options, its addresses, and its messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace frameline {

constexpr int kUnusable = 2;

struct Options {
  std::string_view debug_root = QUIZ_DEBUG_ROOT;
  bool full_scan = false;
  unsigned detail = 0;  // the SourceDetail asked for
  bool source = false;  // the source line under each frame line
  bool help = false, version = false;
};

// Hexadecimal, with or without "0x"; false for anything else.
bool ParseAddress(std::string_view text, std::uint64_t& value);

// Takes the options ahead of FILE; false, with the message written and
// status set, for one this tool does not know.
bool TakeOptions(std::vector<std::string_view>& arguments, Options& options, int& status);

// What --help and --version print on standard output.
std::string Help();
std::string Version();

bool Write(platform::StdHandleKind kind, std::string_view bytes);
// Writes "frameline: " and the message on standard error; kUnusable.
int Fail(std::string_view message, std::string_view detail);
int ReadFailed(std::uint16_t io_error);

}  // namespace frameline
