#include "tests/dwarf/line_test.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <stdexcept>

#include "base/frame_line.h"
#include "base/text.h"
#include "dwarf/line/line_table.h"
#include "exe/byte_source.h"

namespace line_test {

namespace {

// The section in use, kept alive for the sources that read it.
struct Current {
  LineSection section;
  rt::MemorySource line, line_str, str;
  rt::DebugSources sources;
  rt::LineTable table;
};

Current& InUse() {
  static Current* current = new Current;
  return *current;
}

}  // namespace

std::string UseSection(const LineSection& section) {
  static int count = 0;
  std::string path =
      testing_support::WriteScratchFile("line" + std::to_string(++count), section.Elf());
  Current& c = InUse();
  c.section = section;
  const testing_support::LineStrings& strings = c.section.strings;
  c.line =
      rt::MemorySource(c.section.line.data(), static_cast<std::int64_t>(c.section.line.size()));
  c.line_str =
      rt::MemorySource(strings.line_str.data(), static_cast<std::int64_t>(strings.line_str.size()));
  c.str = rt::MemorySource(strings.str.data(), static_cast<std::int64_t>(strings.str.size()));
  c.sources.Set(rt::DebugSection::kLine, &c.line);
  c.sources.Set(rt::DebugSection::kLineStr, strings.line_str.empty() ? nullptr : &c.line_str);
  c.sources.Set(rt::DebugSection::kStr, strings.str.empty() ? nullptr : &c.str);
  c.table.Forget();
  return path;
}

void Forget() {
  InUse().table.Forget();
}

std::string Frame(std::uint64_t addr, const std::string& tail) {
  return (std::string(rt::PlainFrameLine(addr).view()) + tail).substr(0, 255);
}

rt::SourceFrame Lookup(std::uint64_t addr) {
  Current& c = InUse();
  rt::SourceFrames frames;
  EXPECT_EQ(c.table.Lookup(c.sources, addr, frames), 0);  // memory never fails
  EXPECT_LE(frames.size(), 1u);
  return frames.empty() ? rt::SourceFrame() : frames.front();
}

std::string Tail(std::uint64_t addr) {
  std::string line(rt::FrameLine(addr, Lookup(addr)).view());
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
