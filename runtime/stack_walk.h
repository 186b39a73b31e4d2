// The report's stack walk: from the registers where a fault happened or an
// error was raised, frame by frame to the callers. A frame steps by the
// platform's own unwinder where the platform has one and the stack is the
// live one; otherwise by the call-frame information of the module that
// holds its pc, by its frame record where the module has none for it, and
// out of code that lies in no module by the return address the call left.
// Frames must rise strictly and stay below the stack's top; a step that
// cannot be made ends the walk, and no step faults: the stack is read only
// where it is known to be.
#pragma once

#include <cstdint>

#include "dwarf/call_frames.h"
#include "platform/fault_record.h"
#include "platform/walk.h"

namespace rt {

// Where the walk reads the stack: the live stack from an address up, or a
// fault's copy of it.
class StackMemory final : public FrameMemory {
 public:
  // The calling thread's stack from low (at or above the walker's own
  // frames) to its top.
  static StackMemory Live(std::uint64_t low, std::uint64_t top);
  static StackMemory Copied(const platform::FaultRecord& fault);

  bool ReadWord(std::uint64_t address, std::uint64_t& value) override;
  std::uint64_t top() const { return top_; }
  bool live() const { return copy_ == nullptr; }

 private:
  std::uint64_t low_ = 0, top_ = 0;
  const std::uint8_t* copy_ = nullptr;  // the bytes from low_, where copied
  std::uint64_t copy_size_ = 0;
};

class StackWalk {
 public:
  // exact: start.pc is where the thread stood (a fault), not a return
  // address, whose call lies just before it.
  StackWalk(const platform::WalkRegisters& start, bool exact, StackMemory& memory);

  // Steps to the caller; false when the walk has ended.
  bool Step();
  std::uint64_t pc() const { return registers_.pc; }
  // The frame address (the canonical frame address where call-frame
  // information stepped) of the frame the last step left.
  std::uint64_t frame() const { return last_frame_; }

 private:
  platform::PlatformStep StepByPlatformUnwinder(std::uint64_t& frame);
  FrameStep StepByTables(const platform::UnwindTables& tables, std::uint64_t& frame);
  bool StepByFrameRecord(std::uint64_t& frame);
  bool StepFromNowhere(std::uint64_t& frame);

  FrameRegisters registers_;
  bool exact_;
  StackMemory& memory_;
  std::uint64_t last_frame_ = 0;  // the frame address of the last step
  int steps_ = 0;
  bool ended_ = false;
};

}  // namespace rt
