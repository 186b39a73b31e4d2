// Where the frames of a report come from: any walk, frame by frame outward
// from the error's own, under the stop rules that every walk shares.
#pragma once

#include <cstdint>

#include "report/report_frame.h"

namespace rt {

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

// The frames of one walk, made as they are asked for, so that a walk stops
// where the report does.
class FrameSource {
 public:
  // The next frame; false when the walk has ended.
  virtual bool Next(WalkedFrame& frame) = 0;

 protected:
  ~FrameSource() = default;
};

}  // namespace rt
