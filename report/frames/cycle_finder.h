// The groups a walk's frames fall into, taken outward from the error: a
// frame of its own, or a cycle, the frames of one or more calls that repeat
// in the same order (a function calling itself, or functions calling each
// other), given once with the number of times it ran in a row. A cycle is
// found where its frames have run twice; the smallest one is taken first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "report/report_frame.h"

namespace rt {

// The most frames a cycle has: deeper patterns are left as they are.
constexpr std::size_t kMaxCycle = 8;

// Takes each group of frames once it is known to be whole, in walk order.
class FrameGroupSink {
 public:
  // frames: count of them, outward; times: 1 for a frame of its own, else
  // how many times the cycle of those frames ran in a row, and last the
  // frames of its last run, the outermost.
  virtual void Take(const WalkedFrame* frames, std::size_t count, std::uint64_t times,
                    const WalkedFrame* last) = 0;

 protected:
  ~FrameGroupSink() = default;
};

class CycleFinder {
 public:
  explicit CycleFinder(FrameGroupSink& sink);

  // The next frame, outward from the error.
  void Add(const WalkedFrame& frame);
  // The walk has ended: every frame still held goes to the sink.
  void Finish();

 private:
  void AddSingle(const WalkedFrame& frame);
  // The period of a cycle the last frames held make, or 0.
  std::size_t CycleAtEnd() const;
  void Open(std::size_t period);
  void Close();
  void GiveOldest();
  const WalkedFrame& Held(std::size_t i) const;

  FrameGroupSink& sink_;
  // The frames since the last cycle, not yet given: the last of them may
  // still turn out to be a cycle. A ring of 2 * kMaxCycle.
  std::pmr::vector<WalkedFrame> held_;
  std::size_t held_first_ = 0, held_count_ = 0;
  // The open cycle (period_ frames, 0 where none), how many times it ran,
  // the frames of its next run seen so far, and those of its last whole run.
  std::pmr::vector<WalkedFrame> cycle_, next_run_, last_run_;
  std::size_t period_ = 0, matched_ = 0;
  std::uint64_t times_ = 0;
};

}  // namespace rt
