// The call-frame reader against readelf's table of rows, on code that g++
// and clang++ build (x86-64 and aarch64, with and without frame pointers)
// and on the C libraries: at the first, middle and last byte of every row,
// the row found must be the one printed, in the same FDE.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "dwarf/frame/call_frames.h"
#include "dwarf/frame/frame_rules.h"
#include "exe/exe_file.h"
#include "tests/dwarf/line_test.h"
#include "tests/support/image_builder.h"

namespace {

// The code built is this reader's own, as a shared object.
const char kSources[] = "dwarf/frame/frame_*.cpp dwarf/cursor.cpp dwarf/line/line_rows.cpp";

struct Binary {
  const char* label;
  const char* compiler;  // the environment variable naming it; null for a file that exists
  std::string flags_or_path;
  bool aarch64 = false;
};

// readelf's names of the registers the reader keeps, by number; the
// return-address column is "ra".
std::vector<std::string> Names(bool aarch64) {
  std::vector<std::string> n = {"rax", "rdx", "rcx", "rbx", "rsi", "rdi", "rbp", "rsp", "r8",
                                "r9",  "r10", "r11", "r12", "r13", "r14", "r15", "ra"};
  if (aarch64) n.clear();
  for (int i = 0; aarch64 && i < 30; ++i) n.push_back("x" + std::to_string(i));
  return aarch64 ? n.push_back("ra"), n.push_back("sp"), n : n;
}

// The row as readelf's table gives it: the CFA, then each register's rule
// in number order ("u" for none or undefined), expressions "exp", "vexp".
std::string Mine(const rt::FrameRow& row, const std::vector<std::string>& names) {
  auto offset = [](std::int64_t v) { return (v < 0 ? "" : "+") + std::to_string(v); };
  const rt::FrameRules& rules = row.rules;
  std::string text = rules.cfa.kind == rt::RuleKind::kRegister
                         ? names.at(rules.cfa.value) + offset(rules.cfa_offset)
                         : "exp";
  for (std::size_t i = 0; i < names.size(); ++i) {
    const rt::RegisterRule& r = rules.registers[i];
    std::string other = r.kind != rt::RuleKind::kRegister
                            ? ""
                            : "r" + std::to_string(r.value) + " (" + names.at(r.value) + ")";
    const std::string kByKind[] = {
        "u", "u", "s", "c" + offset(r.value), "v" + offset(r.value), other, "exp", "vexp"};
    text += " " + kByKind[static_cast<int>(r.kind)];
  }
  return text;
}

struct OracleFde {
  std::uint64_t begin, end;
  std::vector<std::pair<std::uint64_t, std::string>> rows = {};
};

// The FDEs of `readelf --debug-dump=frames-interp`, each row as Mine gives it.
std::vector<OracleFde> ParseFrames(const std::string& dump, const std::vector<std::string>& names) {
  std::vector<OracleFde> fdes;
  std::istringstream in(dump);
  std::vector<std::string> columns;
  bool in_fde = false;
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) {
      if (word[0] == '(' && !w.empty()) w.back() += " " + word;  // "r9 (r9)"
      if (word[0] != '(' || w.empty()) w.push_back(word);
    }
    if (std::size_t pc = line.find(" FDE cie="); pc != std::string::npos) {
      pc = line.find("pc=");
      fdes.push_back({std::stoull(line.substr(pc + 3), nullptr, 16),
                      std::stoull(line.substr(line.find("..", pc) + 2), nullptr, 16)});
      in_fde = true;
    } else if (line.find(" CIE") != std::string::npos) {
      in_fde = false;
    } else if (!w.empty() && w[0] == "LOC") {
      columns = w;
    } else if (in_fde && w.size() == columns.size() && w[0].size() == 16) {
      std::string text = w[1];
      for (const std::string& name : names) {
        auto at = std::find(columns.begin() + 2, columns.end(), name);
        text += " " + (at == columns.end() ? "u" : w[at - columns.begin()]);
      }
      fdes.back().rows.push_back({std::stoull(w[0], nullptr, 16), text});
    }
  }
  return fdes;
}

bool ReadSection(rt::TExeFile& exe, const char* name, std::string& bytes, std::uint64_t& address) {
  rt::ExeSection s;
  if (!rt::FindExeSection(exe, name, s)) return false;
  bytes.resize(static_cast<std::size_t>(s.length));
  address = s.address;
  return rt::ReadExeBytes(exe, s.offset, bytes.data(), s.length).ok;
}

class CallFramesDiffTest : public testing::TestWithParam<Binary> {};

TEST_P(CallFramesDiffTest, RowsAsTheOracleDecodes) {
  const Binary& b = GetParam();
  std::string oracle = line_test::Env("FRAMES_ORACLE"), path = b.flags_or_path;
  if (oracle.empty()) GTEST_SKIP() << "FRAMES_ORACLE is not set";
  int status = 0;
  if (b.compiler != nullptr) {
    if (line_test::Env(b.compiler).empty()) GTEST_SKIP() << b.compiler << " is not set";
    path = testing_support::ScratchDir() + "/" + b.label;
    line_test::Run("cd '" + line_test::Env("QUIZ_SOURCE_DIR") + "' && " +
                       line_test::Env(b.compiler) + " -std=c++20 -shared -fPIC -I. " +
                       b.flags_or_path + " " + kSources + " -o " + path,
                   status);
    ASSERT_EQ(status, 0);
  } else if (!std::ifstream(path)) {
    GTEST_SKIP() << path << " is not installed";
  }
  std::vector<std::string> names = Names(b.aarch64);
  std::string dump = line_test::Run(oracle + " --debug-dump=frames-interp " + path, status);
  std::vector<OracleFde> fdes = ParseFrames(dump, names);
  rt::TExeFile exe;
  std::string header, frames;
  rt::EhFrameSections s;
  ASSERT_TRUE(rt::OpenExeFile(exe, path));
  ASSERT_TRUE(ReadSection(exe, ".eh_frame_hdr", header, s.header_address));
  ASSERT_TRUE(ReadSection(exe, ".eh_frame", frames, s.frames_address));
  s.address_size = exe.address_size;
  rt::CloseExeFile(exe);
  rt::MemorySource header_bytes(header.data(), header.size()),
      frame_bytes(frames.data(), frames.size());
  s.header = &header_bytes;
  s.frames = &frame_bytes;

  int compared = 0, mismatches = 0;
  for (const OracleFde& fde : fdes) {
    for (std::size_t i = 0; i < fde.rows.size(); ++i) {
      auto [from, expected] = fde.rows[i];
      std::uint64_t to = i + 1 < fde.rows.size() ? fde.rows[i + 1].first : fde.end;
      for (std::uint64_t pc : {from, from + (to - from) / 2, to - 1}) {
        if (from >= to || from >= fde.end) break;
        rt::FrameRow row;
        bool found = rt::FindFrameRow(s, pc, row) == rt::FrameStep::kStepped;
        std::string mine = found ? Mine(row, names) : "not found";
        bool same = mine == expected && row.fde_begin == fde.begin && row.fde_end == fde.end;
        if (++compared && !same && ++mismatches <= 10)
          ADD_FAILURE() << std::hex << pc << ": " << mine << "\n  oracle: " << expected;
      }
    }
  }
  EXPECT_EQ(mismatches, 0) << "of " << compared;
  EXPECT_GT(fdes.size(), 5u);
  std::printf("%s: %d addresses in %zu FDEs agree\n", b.label, compared - mismatches, fdes.size());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Binaries, CallFramesDiffTest, testing::Values(
    Binary{"gcc_O2", "CXX", "-O2"}, Binary{"gcc_O2_omit_fp", "CXX", "-O2 -fomit-frame-pointer"},
    Binary{"gcc_O2_keep_fp", "CXX", "-O2 -fno-omit-frame-pointer"}, Binary{"clang_O2", "CLANGXX", "-O2"},
    Binary{"clang_O2_omit_fp", "CLANGXX", "-O2 -fomit-frame-pointer"},
    Binary{"clang_O2_keep_fp", "CLANGXX", "-O2 -fno-omit-frame-pointer"},
    Binary{"aarch64_gcc_O2", "AARCH64_CXX", "-O2", true},
    Binary{"aarch64_gcc_O2_keep_fp", "AARCH64_CXX", "-O2 -fno-omit-frame-pointer", true},
    Binary{"libc", nullptr, "/lib/x86_64-linux-gnu/libc.so.6"},
    Binary{"aarch64_libc", nullptr, "/usr/aarch64-linux-gnu/lib/libc.so.6", true}),
    [](const auto& info) { return std::string(info.param.label); });
// clang-format on

}  // namespace
