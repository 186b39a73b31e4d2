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

std::size_t FrameLineLimit(const TextRec& t) {
  return Do_IsDevice(t.Handle) ? std::size_t{Max_Frame_Dump} + 1 : kMaxFrameLinesAfterError;
}

std::size_t WriteFrameLines(TextRec& t, std::uint64_t code, bool at_fault, std::size_t room,
                            std::size_t skip, std::size_t* total) {
  FrameLines lines;
  // The plain lines are formed here, so that a formatter that fails sees
  // the same frames below it as it always did.
  if (FrameLinesFunc == SysFrameLines) {
    lines.Add((at_fault ? FaultAddrStrFunc : BackTraceStrFunc)(reinterpret_cast<void*>(code)));
  } else {
    FrameLinesFunc(reinterpret_cast<void*>(code), at_fault, lines);
  }
  if (total != nullptr) *total = lines.count;
  std::size_t left = lines.count > skip ? lines.count - skip : 0;
  std::size_t n = left < room ? left : room;
  for (std::size_t i = skip; i < skip + n; ++i) {
    WriteText(0, t, lines.lines[i].view());
    WriteLineEnd(t);
  }
  return n;
}

void WriteFrameList(TextRec& t, FrameSource& frames, std::size_t used) {
  const std::size_t full = FrameLineLimit(t);
  const std::size_t limit = used < full ? full - used : 0;
  const std::uint64_t end = platform::WalkEnd();
  std::optional<RepeatedFrames> repeated;
  if (CollapseRepeatedFrames) repeated.emplace(limit);
  std::size_t count = 0;
  for (WalkedFrame frame; count < limit && frames.Next(frame);) {
    if (frame.code == 0 || (end != 0 && frame.frame == end)) break;
    if (repeated) {
      repeated->Add(frame.code);
    } else {
      count += WriteFrameLines(t, frame.code, false, limit - count);
    }
    if (frame.frame == 0) break;
  }
  if (repeated) repeated->Write(t);
}

void Dump_Walk(TextRec& t, StackWalk& walk, std::size_t used) {
  SteppedFrames frames(walk);
  WriteFrameList(t, frames, used);
}

}  // namespace rt
