// The plain frame line and the stack walk.
#include "runtime/backtrace.h"

#include "base/frame_line.h"
#include "console/std_streams.h"
#include "console/write_ops.h"
#include "platform/frame_record.h"
#include "platform/platform.h"
#include "runtime/repeated_frames.h"

namespace rt {

BackTraceStrProc BackTraceStrFunc = SysBackTraceStr;
BackTraceStrProc FaultAddrStrFunc = SysBackTraceStr;
std::uint16_t Max_Frame_Dump = 8;
bool CollapseRepeatedFrames = false;

namespace {

// How many frame lines after the first a report on t shows.
std::size_t LineLimit(const TextRec& t) {
  return Do_IsDevice(t.Handle) ? std::size_t{Max_Frame_Dump} + 1 : kMaxFrameLines + 1;
}

void WriteFrameLine(TextRec& t, void* addr) {
  WriteText(0, t, BackTraceStrFunc(addr).view());
  WriteLineEnd(t);
}

// The pc of each frame the walk steps to, until the walk ends or a frame is
// the runtime's routine that called main or started the thread: a step
// ahead tells whose frame a pc's is. False from each when no more are wanted.
template <typename EachFrame>
void WalkFrames(StackWalk& walk, EachFrame each) {
  const std::uint64_t end = platform::WalkEnd();
  if (!walk.Step()) return;
  for (;;) {
    std::uint64_t pc = walk.pc();
    bool more = walk.Step();
    if (more && end != 0 && walk.frame() == end) return;
    if (!each(pc) || !more) return;
  }
}

}  // namespace

Text SysBackTraceStr(void* addr) {
  return PlainFrameLine(reinterpret_cast<std::uintptr_t>(addr));
}

void* StackTop(const void* address) {
  return reinterpret_cast<void*>(
      platform::GetStackTopAbove(reinterpret_cast<std::uintptr_t>(address)));
}

[[gnu::noinline]] void Dump_Stack(TextRec& t, void* frame, void* addr) {
  void* previous = __builtin_frame_address(0);
  std::size_t count = 0, limit = LineLimit(t);
  void* top = StackTop(frame);
  // Frames must rise strictly and stay on the stack: a chain that turns
  // back or leaves the stack ends the walk. A record that cannot be read
  // faults, and that fault is a run-time error of its own.
  while (frame > previous && frame < top) {
    previous = frame;
    platform::FrameRecord record = platform::ReadFrameRecord(frame);
    addr = record.return_address;
    frame = record.caller_frame;
    if (addr == nullptr) break;
    WriteFrameLine(t, addr);
    if (frame == nullptr || ++count >= limit) break;
  }
}

void Dump_Walk(TextRec& t, StackWalk& walk) {
  std::size_t limit = LineLimit(t);
  if (!CollapseRepeatedFrames) {
    std::size_t count = 0;
    WalkFrames(walk, [&](std::uint64_t pc) {
      WriteFrameLine(t, reinterpret_cast<void*>(pc));
      return ++count < limit;
    });
    return;
  }
  RepeatedFrames frames(limit);
  WalkFrames(walk, [&](std::uint64_t pc) {
    frames.Add(pc);
    return true;
  });
  frames.Write(t, BackTraceStrFunc);
}

}  // namespace rt
