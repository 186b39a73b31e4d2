// The plain frame line and the walk by frame records.
#include "runtime/backtrace.h"

#include "base/frame_line.h"
#include "platform/frame_record.h"
#include "platform/platform.h"
#include "runtime/frame_list.h"

namespace rt {

BackTraceStrProc BackTraceStrFunc = SysBackTraceStr;
BackTraceStrProc FaultAddrStrFunc = SysBackTraceStr;
FrameLinesProc FrameLinesFunc = SysFrameLines;
std::uint16_t Max_Frame_Dump = 8;
bool CollapseRepeatedFrames = false;
bool FrameLinesInFull = false;

namespace {

// The chain of frame records from one record outward. A record that cannot
// be read faults, and that fault is a run-time error of its own.
class FrameRecordChain final : public FrameSource {
 public:
  // lowest: the lowest address the first record may have.
  FrameRecordChain(void* frame, std::uint64_t lowest)
      : frame_(frame), bounds_(lowest, reinterpret_cast<std::uint64_t>(StackTop(frame))) {}

  bool Next(WalkedFrame& walked) override {
    if (!bounds_.Admit(reinterpret_cast<std::uint64_t>(frame_))) return false;
    platform::FrameRecord record = platform::ReadFrameRecord(frame_);
    walked.code = reinterpret_cast<std::uint64_t>(record.return_address);
    walked.frame = reinterpret_cast<std::uint64_t>(record.caller_frame);
    frame_ = record.caller_frame;
    return true;
  }

 private:
  void* frame_;
  FrameBounds bounds_;
};

}  // namespace

Text SysBackTraceStr(void* addr) {
  return PlainFrameLine(reinterpret_cast<std::uintptr_t>(addr));
}

void SysFrameLines(void* addr, bool at_fault, FrameLines& lines) {
  lines.count = 0;
  lines.Add((at_fault ? FaultAddrStrFunc : BackTraceStrFunc)(addr));
}

void* StackTop(const void* address) {
  return reinterpret_cast<void*>(
      platform::GetStackTopAbove(reinterpret_cast<std::uintptr_t>(address)));
}

// The chain starts above this routine's own frame. addr, the error's, has a
// frame line of its own before these.
[[gnu::noinline]] void Dump_Stack(TextRec& t, void* frame, void*, std::size_t used) {
  FrameRecordChain chain(frame, reinterpret_cast<std::uint64_t>(__builtin_frame_address(0)) + 1);
  WriteFrameList(t, chain, used);
}

}  // namespace rt
