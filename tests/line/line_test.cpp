#include "tests/line/line_test.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <stdexcept>

#include "console/text.h"
#include "runtime/line_info.h"

namespace line_test {

std::string UseSection(const LineSection& section) {
  static int count = 0;
  std::string path =
      testing_support::WriteScratchFile("line" + std::to_string(++count), section.Elf());
  rt::UseLineInfoFile(path);
  return path;
}

std::string Frame(std::uint64_t addr, const std::string& tail) {
  rt::Text prefix("  $");
  prefix.AppendHex16(addr);
  return (std::string(prefix.view()) + tail).substr(0, 255);
}

std::string Tail(std::uint64_t addr) {
  std::string line(rt::DwarfBackTraceStr(reinterpret_cast<void*>(addr)).view());
  std::string prefix = Frame(addr, "");
  EXPECT_EQ(line.substr(0, prefix.size()), prefix);
  return line.substr(prefix.size());
}

void ExpectTails(const LineSection& section, const std::vector<Query>& queries) {
  UseSection(section);
  for (const Query& q : queries) {
    EXPECT_EQ(Tail(q.addr), q.tail) << "at 0x" << std::hex << q.addr;
  }
}

LineUnit Unit(std::uint16_t version, const std::string& name, bool is64) {
  LineUnit u;
  u.version = version;
  u.is64 = is64;
  if (version >= 5) {
    u.dirs = {""};
    u.files = {{"file0"}, {name}};
  } else {
    u.files = {{name}};
  }
  return u;
}

std::string Env(const char* name) {
  const char* v = getenv(name);
  return v != nullptr ? v : "";
}

std::string Run(const std::string& command, int& status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) throw std::runtime_error("popen " + command);
  char chunk[4096];
  for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, p)) > 0;) out.append(chunk, n);
  status = pclose(p);
  return out;
}

}  // namespace line_test
