// Keeping the first groups of a walk and its last ones, and writing what
// fits of them.
#include "report/frames/repeated_frames.h"

#include "base/source_frame.h"
#include "report/frame_lines.h"
#include "report/frame_list.h"

namespace rt {

namespace {

bool SameLine(const SourceFrame& a, const SourceFrame& b) {
  return a.line == b.line && a.file.view() == b.file.view() &&
         a.function.view() == b.function.view();
}

bool InCycle(const SourceFrame& line, const FrameGroup& cycle, const ReportOptions& options) {
  for (std::size_t i = 0; i < cycle.count; ++i) {
    ReportFrame& frame = cycle.frames[i];
    std::size_t lines = LineCount(frame, options);
    if (frame.resolution != ReportFrame::Resolution::kSources) continue;
    for (std::size_t k = 0; k < lines; ++k) {
      if (SameLine(frame.sources[k], line)) return true;
    }
  }
  return false;
}

// The first lines of the caller's frame that are lines of the cycle: its
// functions inlined into their outermost caller, where the calls went on
// inside one frame. The caller's own line is never one of them.
std::size_t CycleLinesIn(ReportFrame& caller, const FrameGroup& cycle,
                         const ReportOptions& options) {
  std::size_t lines = LineCount(caller, options), n = 0;
  if (caller.resolution != ReportFrame::Resolution::kSources) return 0;
  while (n + 1 < lines && InCycle(caller.sources[n], cycle, options)) ++n;
  return n;
}

}  // namespace

RepeatedFrames::RepeatedFrames(std::size_t limit, const ReportOptions& options)
    : limit_(limit < kMaxFrameLinesAfterError ? limit : kMaxFrameLinesAfterError),
      options_(options),
      finder_(*this),
      singles_(limit_ > 2 ? limit_ : 2) {
  head_.reserve(limit_);
  stored_.reserve(limit_);
  cycle_.reserve(kMaxCycle);
}

void RepeatedFrames::Add(const WalkedFrame& frame) {
  ++frames_;
  finder_.Add(frame);
}

void RepeatedFrames::Take(const WalkedFrame* frames, std::size_t count, std::uint64_t times,
                          const WalkedFrame* last) {
  std::uint64_t number = groups_++;
  least_lines_ += count + (times > 1 ? 1 : 0);
  if (!head_full_ && head_.size() + count <= limit_) {
    std::size_t kept = times > 1 && last != nullptr ? lasts_.size() : kNoLast;
    stored_.push_back({head_.size(), count, times, kept});
    for (std::size_t i = 0; i < count; ++i) head_.emplace_back(frames[i]);
    for (std::size_t i = 0; kept != kNoLast && i < count; ++i) lasts_.emplace_back(last[i]);
  } else {
    head_full_ = true;  // what follows would not be shown among the first lines
  }
  if (times > 1) {
    cycle_.clear();
    cycle_last_.clear();
    for (std::size_t i = 0; i < count; ++i) cycle_.emplace_back(frames[i]);
    for (std::size_t i = 0; last != nullptr && i < count; ++i) cycle_last_.emplace_back(last[i]);
    cycle_times_ = times;
    cycle_group_ = number;
    single_count_ = 0;
    return;
  }
  ++single_count_;
  if (number >= stored_.size()) singles_[number % singles_.size()] = ReportFrame(frames[0]);
}

// A group's records where they are kept: among the first groups' where it
// is one of them, so that no frame is resolved twice.
FrameGroup RepeatedFrames::Group(std::uint64_t number) {
  // A cycle's first call is known where the walk went on to its caller.
  bool called = number + 1 < groups_;
  if (number < stored_.size()) {
    const Stored& s = stored_[number];
    ReportFrame* last = called && s.last != kNoLast ? &lasts_[s.last] : nullptr;
    return {&head_[s.first], s.count, s.times, last};
  }
  if (cycle_times_ > 1 && number == cycle_group_) {
    ReportFrame* last = called && !cycle_last_.empty() ? cycle_last_.data() : nullptr;
    return {cycle_.data(), cycle_.size(), cycle_times_, last};
  }
  return {&singles_[number % singles_.size()], 1, 1};
}

bool RepeatedFrames::Fits() {
  if (head_full_ || least_lines_ > limit_) return false;
  std::size_t lines = 0;
  for (std::uint64_t g = 0; g < stored_.size() && lines <= limit_; ++g) {
    lines += GroupLines(Group(g), options_);
  }
  return lines <= limit_;
}

// The last groups back to first, within room lines: where the first of
// them does not fit whole, its lines nearest the error are left out.
RepeatedFrames::Tail RepeatedFrames::LastGroups(std::uint64_t first, std::size_t room) {
  Tail tail;
  tail.first = groups_;
  while (tail.first > first && tail.lines < room) {
    FrameGroup group = Group(tail.first - 1);
    std::size_t lines = GroupLines(group, options_);
    --tail.first;
    tail.frames += group.walked();
    if (tail.lines + lines > room) {
      tail.skip = tail.lines + lines - room;
      tail.lines = room;
      break;
    }
    tail.lines += lines;
  }
  return tail;
}

RepeatedFrames::Tail RepeatedFrames::PlanTail() {
  std::uint64_t singles = single_count_ < singles_.size() ? single_count_ : singles_.size();
  // After a cycle: its outermost caller and what follows, where they fit in
  // all the lines but the one nearest the error and the count of those
  // left out.
  if (cycle_times_ > 1 && single_count_ > 0 && single_count_ == singles) {
    std::uint64_t caller = cycle_group_ + 1;
    std::size_t room = limit_ > 2 ? limit_ - 2 : 1;
    std::size_t copies = CycleLinesIn(*Group(caller).frames, Group(cycle_group_), options_);
    std::size_t lines = 0;
    for (std::uint64_t g = caller; g < groups_ && lines <= room + copies; ++g) {
      lines += GroupLines(Group(g), options_);
    }
    if (lines - copies <= room) return LastGroups(caller, lines - copies);
  }
  // Otherwise the lines nearest the error go on through the cycle to its
  // callers, then the last group, and the one before it where the last is a
  // frame of one line; no more than half the lines, so that those nearest
  // the error keep their share however many calls were inlined there.
  if (groups_ == 0) return {};
  std::size_t share = limit_ > 2 ? (limit_ - 1) / 2 : 1;
  bool before = singles >= 2 && GroupLines(Group(groups_ - 1), options_) == 1;
  return LastGroups(groups_ - (before ? 2 : 1), share);
}

void RepeatedFrames::Write(TextRec& t) {
  finder_.Finish();
  if (Fits()) {
    for (std::uint64_t g = 0; g < stored_.size(); ++g) WriteGroup(t, Group(g), limit_, options_);
    return;
  }
  Tail tail = PlanTail();
  // The lines nearest the error take the rest, less the line that counts
  // what is left out; a group of the tail is not shown among them.
  std::size_t room = limit_ > tail.lines + 1 ? limit_ - tail.lines - 1 : 0;
  std::uint64_t left_out = frames_ - tail.frames + tail.skip;
  for (std::uint64_t g = 0; g < stored_.size() && g < tail.first && room > 0; ++g) {
    ShownLines shown = WriteGroup(t, Group(g), room, options_);
    left_out = left_out + shown.cut - shown.frames;
    room -= shown.lines;
  }
  if (left_out > 0) WriteLeftOut(t, left_out);
  for (std::uint64_t g = tail.first; g < groups_; ++g) {
    WriteGroupEnd(t, Group(g), g == tail.first ? tail.skip : 0, options_);
  }
}

}  // namespace rt
