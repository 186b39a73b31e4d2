// The frame list over walks made up frame by frame: the limits, the end
// rule, the collapse of repeated frames and what is left out of a walk too
// long for the limit, written to the scripted standard error.
#include "report/frame_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/frame_line.h"
#include "platform/walk.h"
#include "tests/console/console_fixture.h"

namespace {

// A walk's frame: its code address, how many source frames the lookups give
// it (its own and the calls inlined there), its frame address.
struct Frame {
  std::uint64_t code;
  int sources = 1;
  std::uint64_t cfa = 0x1000;  // any frame address but 0 and the walk's end
  // Where not 0, its source frames but the last are calls of the function
  // at this code inlined there.
  std::uint64_t inlined_code = 0;
};

class MadeUpWalk final : public rt::FrameSource {
 public:
  explicit MadeUpWalk(const std::vector<Frame>& frames) : frames_(frames) {}
  bool Next(rt::WalkedFrame& walked) override {
    if (next_ == frames_.size()) return false;
    const Frame& frame = frames_[next_++];
    walked = rt::FrameAt(frame.code, false);
    walked.cfa = frame.cfa;
    return true;
  }

 private:
  const std::vector<Frame>& frames_;
  std::size_t next_ = 0;
};

const std::vector<Frame>* walk_frames = nullptr;
int resolves = 0;

// Names each source frame by its code address, innermost first: f300,
// then f300.1 for the call inlined there, and so on.
bool Resolve(rt::ReportFrame& frame) {
  ++resolves;
  for (const Frame& f : *walk_frames) {
    if (f.code != frame.code()) continue;
    for (int i = 0; i < f.sources; ++i) {
      char name[32];
      bool copy = f.inlined_code != 0 && i + 1 < f.sources;
      std::snprintf(name, sizeof name, i == 0 || copy ? "f%llx" : "f%llx.%d",
                    static_cast<unsigned long long>(copy ? f.inlined_code : f.code), i);
      rt::SourceFrame& source = frame.sources.emplace_back();
      source.function = rt::Text(name);
    }
    return true;
  }
  return false;
}

// The report's lines, each frame line shortened to the function it names,
// or where it names none (a one-line formatter's), to "f" and its address.
std::vector<std::string> Lines(const std::string& written) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < written.size();) {
    std::size_t end = written.find("\r\n", at);
    std::string line = written.substr(at, end - at);
    if (line.rfind("  $", 0) == 0) {
      std::size_t in = line.find(" in ");
      char plain[32];
      std::snprintf(plain, sizeof plain, "f%llx", std::stoull(line.substr(3, 16), nullptr, 16));
      line = in != std::string::npos ? line.substr(in + 4) : plain;
    }
    lines.push_back(line);
    at = end + 2;
  }
  return lines;
}

std::vector<Frame> Distinct(int n, std::uint64_t first = 0x100) {
  std::vector<Frame> frames;
  for (int i = 0; i < n; ++i) frames.push_back({first + 0x100 * static_cast<std::uint64_t>(i)});
  return frames;
}

std::vector<Frame> Repeated(std::vector<Frame> frames, std::size_t at, int times) {
  frames.insert(frames.begin() + static_cast<std::ptrdiff_t>(at), times - 1, frames[at]);
  return frames;
}

// The length frames from at, run times over in a row.
std::vector<Frame> Cycled(std::vector<Frame> frames, std::size_t at, std::size_t length,
                          int times) {
  auto begin = frames.begin() + static_cast<std::ptrdiff_t>(at);
  std::vector<Frame> cycle(begin, begin + static_cast<std::ptrdiff_t>(length));
  for (int i = 1; i < times; ++i) {
    frames.insert(frames.begin() + static_cast<std::ptrdiff_t>(at + length), cycle.begin(),
                  cycle.end());
  }
  return frames;
}

std::vector<Frame> WithSources(std::vector<Frame> frames, std::size_t at, int sources,
                               std::uint64_t inlined_code = 0) {
  frames[at].sources = sources;
  frames[at].inlined_code = inlined_code;
  return frames;
}

struct WalkCase {
  const char* name;
  std::vector<Frame> frames;
  rt::ReportStyle style;
  std::uint16_t max_frame_dump;
  std::size_t used;
  std::vector<std::string> lines;
  int resolves;  // -1: not checked
};

class FrameListTest : public testing_support::ConsoleTest {};

TEST_F(FrameListTest, WalksTable) {
  const auto kFull = rt::ReportStyle::kFull;
  const auto kTerse = rt::ReportStyle::kTerse;
  std::vector<Frame> ending = Distinct(4);
  ending[2].cfa = 0;  // no frame address beyond the third
  std::vector<Frame> zero = Distinct(4);
  zero[1].code = 0;
  std::vector<Frame> at_end = Distinct(4);
  at_end[2].cfa = 0x7000;  // the walk's end
  std::vector<Frame> inlined = Distinct(3);
  inlined[0].sources = 3;
  const WalkCase cases[] = {
      {"terse keeps the limit",
       Distinct(12),
       kTerse,
       8,
       0,
       {"f100", "f200", "f300", "f400", "f500", "f600", "f700", "f800", "f900"},
       0},
      {"lines already used", Distinct(12), kTerse, 8, 6, {"f100", "f200", "f300"}, 0},
      {"terse writes each repeat",
       Repeated(Distinct(2), 0, 3),
       kTerse,
       8,
       0,
       {"f100", "f100", "f100", "f200"},
       0},
      {"a frame without a frame address beyond it is the last",
       ending,
       kFull,
       8,
       0,
       {"f100", "f200", "f300"},
       3},
      {"a return address of 0 ends the list", zero, kFull, 8, 0, {"f100"}, 1},
      {"the frame at the walk's end is left out", at_end, kFull, 8, 0, {"f100", "f200"}, 2},
      {"a recursion collapses",
       Repeated(Distinct(3), 1, 5),
       kFull,
       8,
       0,
       {"f100", "f200", "  (the line above repeats 4 more times)", "f300"},
       3},
      {"one repeat",
       Repeated(Distinct(2), 1, 2),
       kFull,
       8,
       0,
       {"f100", "f200", "  (the line above repeats 1 more time)"},
       2},
      {"a long walk keeps both ends",
       Distinct(20),
       kFull,
       4,
       0,
       {"f100", "f200", "  (16 frames left out)", "f1300", "f1400"},
       4},
      {"a deep recursion still reaches main",
       Repeated(Distinct(3), 1, 10000),
       kFull,
       3,
       0,
       {"f100", "f200", "  (the line above repeats 9999 more times)", "f300"},
       3},
      {"two functions calling each other collapse",
       Cycled(Distinct(4), 1, 2, 5),
       kFull,
       8,
       0,
       {"f100", "f200", "f300", "  (the 2 lines above repeat 4 more times)", "f400"},
       4},
      {"a cycle of three",
       Cycled(Distinct(5), 1, 3, 3),
       kFull,
       8,
       0,
       {"f100", "f200", "f300", "f400", "  (the 3 lines above repeat 2 more times)", "f500"},
       5},
      {"an unfinished run of a cycle is written as it is",
       Cycled(Distinct(4), 1, 2, 3),
       kFull,
       8,
       0,
       {"f100", "f200", "f300", "  (the 2 lines above repeat 2 more times)", "f400"},
       4},
      {"a cycle's inlined calls are among its lines",
       Cycled(WithSources(Distinct(4), 1, 2), 1, 2, 4),
       kFull,
       8,
       0,
       {"f100", "f200", "f200.1", "f300", "  (the 3 lines above repeat 3 more times)", "f400"},
       4},
      {"a cycle cut by the limit keeps its outermost caller",
       Cycled(WithSources(Distinct(6), 4, 2), 1, 2, 1000),
       kFull,
       5,
       0,
       {"f100", "  (2000 frames left out)", "f400", "f500", "f500.1", "f600"},
       4},
      {"the cycle's calls inlined into its caller are left out",
       Repeated(WithSources(Distinct(4), 2, 4, 0x200), 1, 1000),
       kFull,
       5,
       0,
       {"f100", "f200", "  (the line above repeats 999 more times)", "  (3 frames left out)",
        "f300.3", "f400"},
       4},
      {"a caller too far from the end is reached from the error",
       Repeated(Distinct(10), 1, 1000),
       kFull,
       8,
       0,
       {"f100", "f200", "  (the line above repeats 999 more times)", "f300", "f400", "f500",
        "  (3 frames left out)", "f900", "fa00"},
       10},
      {"inlined calls count as lines",
       inlined,
       kFull,
       8,
       0,
       {"f100", "f100.1", "f100.2", "f200", "f300"},
       3},
      {"inlined calls that do not fit are left out",
       inlined,
       kFull,
       2,
       0,
       {"f100", "  (3 frames left out)", "f300"},
       3},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::ResetConsole();
    platform::SetWalkEnd(0x7000);
    walk_frames = &c.frames;
    resolves = 0;
    rt::ReportOptions options;
    options.style = c.style;
    options.max_frame_dump = c.max_frame_dump;
    options.resolve = Resolve;
    options.frame_line = options.fault_line = [](void* addr) {
      return rt::PlainFrameLine(reinterpret_cast<std::uintptr_t>(addr));
    };
    MadeUpWalk walk(c.frames);
    rt::WriteFrameList(tls::StdErr(), walk, options, c.used);
    rt::Flush(tls::StdErr());
    std::vector<std::string> lines = Lines(fake::Written(fake::kStdErr));
    EXPECT_EQ(lines, c.lines);
    if (c.resolves >= 0) {
      EXPECT_EQ(resolves, c.resolves);
    }
  }
  platform::SetWalkEnd(0);
}

}  // namespace
