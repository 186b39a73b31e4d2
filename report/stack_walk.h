// The report's stack walk: from the registers where a fault happened or an
// error was raised, frame by frame to the callers. A frame steps by the
// platform's own unwinder where the platform has one; otherwise by the
// call-frame information of the module that holds its pc, by its frame
// record where the module has none for it, and out of code that lies in no
// module by the return address the call left. Frames must rise strictly and
// stay below the stack's top; a step that cannot be made ends the walk, and
// no step faults: the stack is read only where it is known to be.
#pragma once

#include <cstdint>

#include "dwarf/frame/call_frames.h"
#include "platform/fault_record.h"
#include "platform/walk.h"
#include "report/frame_source.h"

namespace rt {

// Where the walk reads the stack: the thread's own from an address up to
// its top, where it stands as it did when the error was raised or the fault
// happened (a report is formed on a stack of its own).
class StackMemory final : public FrameMemory {
 public:
  StackMemory(std::uint64_t low, std::uint64_t top);

  bool ReadWord(std::uint64_t address, std::uint64_t& value) override;
  std::uint64_t top() const { return top_; }

 private:
  std::uint64_t low_ = 0, top_ = 0;
};

// The upper end of the stack that holds address, a stack of the calling
// thread.
std::uint64_t StackTop(std::uint64_t address);

class StackWalk {
 public:
  // at_fault: start.pc is where the thread stood (a fault), not a return
  // address, whose call lies just before it.
  StackWalk(const FrameRegisters& start, bool at_fault, StackMemory& memory);

  // Steps to the caller; false when the walk has ended.
  bool Step();
  // The frame the walk stands in: its registers, and whether its code
  // address is a return address. Its cfa is not known until it is left.
  const WalkedFrame& current() const { return current_; }
  std::uint64_t pc() const { return current_.code(); }
  // The frame address (the canonical frame address where call-frame
  // information stepped) of the frame the last step left.
  std::uint64_t frame() const { return last_frame_; }
  // The entry of the routine the walk stands in; 0 where unknown.
  std::uint64_t routine() const;

 private:
  platform::PlatformStep StepByPlatformUnwinder(std::uint64_t& frame);
  FrameStep StepByTables(const platform::UnwindTables& tables, std::uint64_t& frame);
  bool StepByFrameRecord(std::uint64_t& frame);
  bool StepFromNowhere(std::uint64_t& frame);

  WalkedFrame current_;
  StackMemory& memory_;
  std::uint64_t last_frame_ = 0;  // the frame address of the last step
  FrameBounds bounds_{0, 0};      // the first frame lies at or above the stack pointer
  int steps_ = 0;
  bool ended_ = false;
};

// The registers a function found at its entry, of those its caller's
// registers tell: the ones a call preserves, save the stack pointer, which
// the call itself moves. None where there is no caller.
FrameRegisters EntryRegisters(const FrameRegisters* caller);

// The callers a walk steps to, from where it stands; a frame's frame
// address is known once the walk has stepped out of it.
class SteppedFrames final : public FrameSource {
 public:
  explicit SteppedFrames(StackWalk& walk) : walk_(walk), more_(walk.Step()) {}

  bool Next(WalkedFrame& frame) override;
  // The registers of the caller of the frame last handed out (before the
  // first, of the frame the walk started in); null where it has none.
  const FrameRegisters* Caller() const { return more_ ? &walk_.current().registers : nullptr; }

 private:
  StackWalk& walk_;
  bool more_;
};

}  // namespace rt
