// Finding the cycles of a walk as its frames come, with a bounded memory
// however long the walk: only the frames that may still begin a cycle, and
// the open cycle's, are held.
#include "report/frames/cycle_finder.h"

namespace rt {

namespace {

constexpr std::size_t kHeld = 2 * kMaxCycle;

}  // namespace

CycleFinder::CycleFinder(FrameGroupSink& sink)
    : sink_(sink), held_(kHeld), cycle_(kMaxCycle), next_run_(kMaxCycle), last_run_(kMaxCycle) {}

const WalkedFrame& CycleFinder::Held(std::size_t i) const {
  return held_[(held_first_ + i) % kHeld];
}

void CycleFinder::Add(const WalkedFrame& frame) {
  if (period_ == 0) return AddSingle(frame);
  if (frame.code() == cycle_[matched_].code()) {
    next_run_[matched_] = frame;
    if (++matched_ == period_) {
      ++times_;
      matched_ = 0;
      next_run_.swap(last_run_);
    }
    return;
  }
  Close();
  Add(frame);  // the frames of an unfinished run may have opened another cycle
}

void CycleFinder::AddSingle(const WalkedFrame& frame) {
  if (held_count_ == kHeld) GiveOldest();
  held_[(held_first_ + held_count_++) % kHeld] = frame;
  if (std::size_t period = CycleAtEnd(); period != 0) Open(period);
}

std::size_t CycleFinder::CycleAtEnd() const {
  for (std::size_t period = 1; 2 * period <= held_count_; ++period) {
    std::size_t start = held_count_ - 2 * period, i = 0;
    while (i < period && Held(start + i).code() == Held(start + period + i).code()) ++i;
    if (i == period) return period;
  }
  return 0;
}

// The last two runs of period frames become the open cycle; the frames
// held before them can no longer be part of one.
void CycleFinder::Open(std::size_t period) {
  while (held_count_ > 2 * period) GiveOldest();
  for (std::size_t i = 0; i < period; ++i) {
    cycle_[i] = Held(i);
    last_run_[i] = Held(period + i);
  }
  held_count_ = 0;
  held_first_ = 0;
  period_ = period;
  matched_ = 0;
  times_ = 2;
}

// The cycle goes to the sink; the frames of its unfinished run are taken
// again as frames of their own. They cannot begin a cycle among
// themselves, which would have been found before this one.
void CycleFinder::Close() {
  sink_.Take(cycle_.data(), period_, times_, last_run_.data());
  std::size_t unfinished = matched_;
  period_ = matched_ = 0;
  for (std::size_t i = 0; i < unfinished; ++i) AddSingle(next_run_[i]);
}

void CycleFinder::GiveOldest() {
  sink_.Take(&held_[held_first_], 1, 1, nullptr);
  held_first_ = (held_first_ + 1) % kHeld;
  --held_count_;
}

void CycleFinder::Finish() {
  if (period_ != 0) Close();
  while (held_count_ > 0) GiveOldest();
}

}  // namespace rt
