// The frame lines a report writes after the error address's own, from
// whichever walk found the frames: the limits, the end rule and the stop
// rules are applied here alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/text_rec.h"

namespace rt {

class StackWalk;

// The most frame lines a report writes after the error address's own on a
// stream that is not standard (on a standard one, Max_Frame_Dump + 1).
constexpr std::size_t kMaxFrameLinesAfterError = 257;

// The stop rules of every walk: frame addresses rise strictly and stay
// below the stack's top.
class FrameBounds {
 public:
  // lowest: the lowest frame address the first frame may have.
  FrameBounds(std::uint64_t lowest, std::uint64_t top) : lowest_(lowest), top_(top) {}

  // Whether a frame at frame may follow the frames admitted before it.
  bool Admit(std::uint64_t frame) {
    if (frame < lowest_ || frame >= top_) return false;
    lowest_ = frame + 1;
    return true;
  }

 private:
  std::uint64_t lowest_, top_;
};

// One frame of a walk: the code address it returns to, and its frame
// address, 0 where the walk has none beyond it.
struct WalkedFrame {
  std::uint64_t code = 0;
  std::uint64_t frame = 0;
};

// The frames of one walk, outward from the error's own, made as they are
// asked for, so that a walk stops where the report does.
class FrameSource {
 public:
  // The next frame; false when the walk has ended.
  virtual bool Next(WalkedFrame& frame) = 0;

 protected:
  ~FrameSource() = default;
};

// The most frame lines a report on t writes after the error address's own.
std::size_t FrameLineLimit(const TextRec& t);

// Writes at most room of the frame lines of a code address (those of its
// inlined calls after its own), less the first skip of them; the count
// written. total, where given, gets the count the address has.
std::size_t WriteFrameLines(TextRec& t, std::uint64_t code, bool at_fault, std::size_t room,
                            std::size_t skip = 0, std::size_t* total = nullptr);

// Writes the frame lines of each frame, within the report's limits on t
// less the used lines written after the error address's own, and collapses
// repeated lines where CollapseRepeatedFrames asks for it. The list ends at
// a return address of 0, before the frame of the runtime's routine that
// called main or started the thread, and after a frame with no frame
// address beyond it.
void WriteFrameList(TextRec& t, FrameSource& frames, std::size_t used = 0);

// Writes the frames of the callers the walk steps to from where it stands.
void Dump_Walk(TextRec& t, StackWalk& walk, std::size_t used = 0);

}  // namespace rt
