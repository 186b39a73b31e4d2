// The plain frame line and the stack walk.
#include "runtime/backtrace.h"

#include "base/frame_line.h"
#include "console/std_streams.h"
#include "console/write_ops.h"
#include "platform/frame_record.h"
#include "platform/platform.h"

namespace rt {

BackTraceStrProc BackTraceStrFunc = SysBackTraceStr;
BackTraceStrProc FaultAddrStrFunc = SysBackTraceStr;
std::uint16_t Max_Frame_Dump = 8;
std::uint64_t WalkEndFrame = 0;

namespace {

// Whether the walk stops after `count` frame lines past the first.
bool LimitReached(int count, bool on_standard) {
  return (count > Max_Frame_Dump && on_standard) ||
         static_cast<std::size_t>(count) > kMaxFrameLines;
}

void WriteFrameLine(TextRec& t, void* addr) {
  WriteText(0, t, BackTraceStrFunc(addr).view());
  WriteLineEnd(t);
}

}  // namespace

Text SysBackTraceStr(void* addr) {
  return PlainFrameLine(reinterpret_cast<std::uintptr_t>(addr));
}

void* StackTop() {
  return reinterpret_cast<void*>(platform::GetStackTop());
}

[[gnu::noinline]] void Dump_Stack(TextRec& t, void* frame, void* addr) {
  void* previous = __builtin_frame_address(0);
  int count = 0;
  bool on_standard = Do_IsDevice(t.Handle);
  void* top = StackTop();
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
    if (frame == nullptr) break;
    ++count;
    if (LimitReached(count, on_standard)) break;
  }
}

void Dump_Walk(TextRec& t, StackWalk& walk) {
  bool on_standard = Do_IsDevice(t.Handle);
  if (!walk.Step()) return;
  for (int count = 1;; ++count) {
    // A step ahead tells whose frame this is: the frame of the routine that
    // called main is no frame of the program's.
    std::uint64_t pc = walk.pc();
    bool more = walk.Step();
    if (more && WalkEndFrame != 0 && walk.frame() == WalkEndFrame) return;
    WriteFrameLine(t, reinterpret_cast<void*>(pc));
    if (!more || LimitReached(count, on_standard)) return;
  }
}

void Dump_Frames(TextRec& t, const std::uint64_t* return_addresses, const std::uint64_t* frames,
                 std::size_t count) {
  bool on_standard = Do_IsDevice(t.Handle);
  for (std::size_t i = 0; i < count; ++i) {
    // As in Dump_Walk, the step past a frame tells whose frame it is.
    if (WalkEndFrame != 0 && i + 1 < count && frames[i + 1] == WalkEndFrame) return;
    WriteFrameLine(t, reinterpret_cast<void*>(return_addresses[i]));
    if (LimitReached(static_cast<int>(i + 1), on_standard)) break;
  }
}

}  // namespace rt
