// The one list of a report's frame lines.
#include "runtime/frame_list.h"

#include <optional>

#include "console/std_streams.h"
#include "console/write_ops.h"
#include "platform/walk.h"
#include "runtime/backtrace.h"
#include "runtime/repeated_frames.h"
#include "runtime/stack_walk.h"

namespace rt {

namespace {

// How many frame lines after the first a report on t shows.
std::size_t LineLimit(const TextRec& t) {
  return Do_IsDevice(t.Handle) ? std::size_t{Max_Frame_Dump} + 1 : kMaxFrameLinesAfterError;
}

void WriteFrameLine(TextRec& t, std::uint64_t code) {
  WriteText(0, t, BackTraceStrFunc(reinterpret_cast<void*>(code)).view());
  WriteLineEnd(t);
}

// The callers a walk steps to; a frame's frame address is known once the
// walk has stepped out of it.
class SteppedFrames final : public FrameSource {
 public:
  explicit SteppedFrames(StackWalk& walk) : walk_(walk), more_(walk.Step()) {}

  bool Next(WalkedFrame& frame) override {
    if (!more_) return false;
    frame.code = walk_.pc();
    more_ = walk_.Step();
    frame.frame = more_ ? walk_.frame() : 0;
    return true;
  }

 private:
  StackWalk& walk_;
  bool more_;
};

}  // namespace

void WriteFrameList(TextRec& t, FrameSource& frames) {
  const std::size_t limit = LineLimit(t);
  const std::uint64_t end = platform::WalkEnd();
  std::optional<RepeatedFrames> repeated;
  if (CollapseRepeatedFrames) repeated.emplace(limit);
  std::size_t count = 0;
  for (WalkedFrame frame; frames.Next(frame);) {
    if (frame.code == 0 || (end != 0 && frame.frame == end)) break;
    if (repeated) {
      repeated->Add(frame.code);
    } else {
      WriteFrameLine(t, frame.code);
      ++count;
    }
    if (frame.frame == 0 || count >= limit) break;
  }
  if (repeated) repeated->Write(t, BackTraceStrFunc);
}

void Dump_Walk(TextRec& t, StackWalk& walk) {
  SteppedFrames frames(walk);
  WriteFrameList(t, frames);
}

}  // namespace rt
