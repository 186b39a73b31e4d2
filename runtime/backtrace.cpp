// The plain frame line and the stack walk.
#include "runtime/backtrace.h"

#include "console/text_io.h"
#include "platform/platform.h"

namespace rt {

BackTraceStrProc BackTraceStrFunc = SysBackTraceStr;
std::uint16_t Max_Frame_Dump = 8;

namespace {

// The most frame lines a report shows on a stream that is not standard.
constexpr int kMaxFramesElsewhere = 256;

struct FrameRecord {
  void* caller_frame;
  void* return_address;
};

// Frame records are read in place, wherever the chain leads; a record that
// is not readable faults, and that fault is a run-time error of its own.
[[gnu::no_sanitize_address]] FrameRecord ReadFrameRecord(void* frame) {
  const volatile FrameRecord* record = static_cast<const volatile FrameRecord*>(frame);
  return FrameRecord{record->caller_frame, record->return_address};
}

}  // namespace

Text SysBackTraceStr(void* addr) {
  Text text;
  text.Append("  $");
  text.AppendHex16(reinterpret_cast<std::uintptr_t>(addr));
  return text;
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
  // back or leaves the stack ends the walk.
  while (frame > previous && frame < top) {
    previous = frame;
    FrameRecord record = ReadFrameRecord(frame);
    addr = record.return_address;
    frame = record.caller_frame;
    if (addr == nullptr) break;
    WriteText(0, t, BackTraceStrFunc(addr).view());
    WriteLineEnd(t);
    if (frame == nullptr) break;
    ++count;
    if ((count > Max_Frame_Dump && on_standard) || count > kMaxFramesElsewhere) break;
  }
}

}  // namespace rt
