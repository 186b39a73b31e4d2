// Collapsing repeated frame lines, and leaving out the middle of a walk
// that does not fit.
#include "runtime/repeated_frames.h"

#include "console/write_ops.h"

namespace rt {

namespace {

void WriteLine(TextRec& t, const Text& text) {
  WriteText(0, t, text.view());
  WriteLineEnd(t);
}

Text CountLine(const char* before, std::uint64_t n, const char* one, const char* many) {
  Text text;
  text.Append(before);
  text.AppendDecimal(static_cast<std::int64_t>(n));
  text.Append(n == 1 ? one : many);
  return text;
}

// A run's frame line, then its repeats' line where it has one and there is
// room for it; the frames its written lines stand for.
std::uint64_t WriteRun(TextRec& t, BackTraceStrProc frame_line, std::uint64_t address,
                       std::uint64_t frames, bool with_repeats) {
  WriteLine(t, frame_line(reinterpret_cast<void*>(address)));
  if (frames < 2 || !with_repeats) return 1;
  WriteLine(t, CountLine("  (the line above repeats ", frames - 1, " more time)", " more times)"));
  return frames;
}

}  // namespace

RepeatedFrames::RepeatedFrames(std::size_t limit)
    : limit_(limit < kMaxFrameLinesAfterError ? limit : kMaxFrameLinesAfterError) {}

void RepeatedFrames::Add(std::uint64_t address) {
  ++frames_;
  if (runs_ > 0 && tail_[1].address == address) {
    if (++tail_[1].frames == 2) ++lines_;
    if (runs_ <= head_runs_) head_[head_runs_ - 1].frames = tail_[1].frames;
    return;
  }
  ++runs_;
  ++lines_;
  tail_[0] = tail_[1];
  tail_[1] = {address, 1};
  if (head_runs_ < limit_) head_[head_runs_++] = tail_[1];
}

void RepeatedFrames::Write(TextRec& t, BackTraceStrProc frame_line) const {
  if (lines_ <= limit_) {
    for (std::size_t i = 0; i < head_runs_; ++i) {
      WriteRun(t, frame_line, head_[i].address, head_[i].frames, true);
    }
    return;
  }
  // The lines nearest main: the last run whole, and the one before it where
  // the last takes one line; a run's repeats' line never stands without the
  // frame line it repeats.
  bool two_runs = tail_[1].frames == 1 && runs_ > 1;
  std::size_t tail_lines = tail_[1].lines() + (two_runs ? tail_[0].lines() : 0);
  std::uint64_t tail_frames = tail_[1].frames + (two_runs ? tail_[0].frames : 0);
  // The lines nearest the error take the rest, less the line that counts
  // what is left out.
  std::size_t room = limit_ > tail_lines + 1 ? limit_ - tail_lines - 1 : 0;
  std::uint64_t shown = tail_frames;
  for (std::size_t i = 0; i < head_runs_ && room > 0; ++i) {
    bool with_repeats = room >= head_[i].lines();
    shown += WriteRun(t, frame_line, head_[i].address, head_[i].frames, with_repeats);
    room -= with_repeats ? head_[i].lines() : 1;
  }
  WriteLine(t, CountLine("  (", frames_ - shown, " frame left out)", " frames left out)"));
  if (two_runs) WriteRun(t, frame_line, tail_[0].address, tail_[0].frames, true);
  WriteRun(t, frame_line, tail_[1].address, tail_[1].frames, true);
}

}  // namespace rt
