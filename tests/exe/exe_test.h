// Shared helpers of the executable-reader tests: section lookups in one call,
// programs compiled for the tests, and the tools that describe them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "tests/support/image_builder.h"

namespace exe_test {

using testing_support::Bytes;

// One open-find-close round on a file.
struct Lookup {
  bool image = false;  // OpenExeFile succeeded
  bool found = false;
  std::int64_t offset = -1, length = -1;
  std::uint64_t base = 0;     // the image base read at the open
  std::uint64_t address = 0;  // the section's link-time address
};
Lookup Find(const std::string& path, std::string_view section);
// The same on bytes written to a scratch file.
Lookup FindIn(const Bytes& image, std::string_view section);

// An environment variable, or fallback when it is unset or empty.
std::string Env(const char* name, const char* fallback);
// Runs a shell command; its standard output, and its exit status in status.
std::string Run(const std::string& command, int* status = nullptr);
std::string Quote(const std::string& s);

// A small C++ program compiled with $CXX -g and the flags, once per process.
// It has a .bss section.
std::string Program(const std::string& flags);

struct ElfSectionInfo {
  std::string type;
  std::int64_t offset, size;
  std::uint64_t address;
};
// The section table as readelf -SW prints it, by name.
std::map<std::string, ElfSectionInfo> ReadelfSections(const std::string& path);

}  // namespace exe_test
