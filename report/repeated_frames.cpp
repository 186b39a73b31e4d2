// Collapsing repeated frame lines, and leaving out the middle of a walk
// that does not fit.
#include "report/repeated_frames.h"

#include "console/write_ops.h"
#include "report/frame_lines.h"
#include "report/frame_list.h"

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

void WriteRepeats(TextRec& t, std::uint64_t frames) {
  WriteLine(t, CountLine("  (the line above repeats ", frames - 1, " more time)", " more times)"));
}

// What the lines written of a run stand for: frames, and the lines of
// calls inlined there that were left out.
struct Shown {
  std::uint64_t frames = 0;
  std::size_t lines = 0, cut = 0;
};

// A run's frame lines, at most room of them, then its repeats' line where
// it has one and there is room for it.
Shown WriteRun(TextRec& t, ReportFrame& frame, std::uint64_t frames, std::size_t room,
               const ReportOptions& options) {
  Shown shown;
  shown.lines = WriteLines(t, frame, options, room);
  shown.cut = LineCount(frame, options) - shown.lines;
  shown.frames = 1;
  if (frames < 2 || shown.lines >= room) return shown;
  WriteRepeats(t, frames);
  ++shown.lines;
  shown.frames = frames;
  return shown;
}

// The last lines of a run, at most room of them: its repeats' line is kept,
// and the lines of the calls nearest the error go first.
struct RunEnd {
  ReportFrame* frame = nullptr;
  std::uint64_t frames = 0;
  std::size_t lines = 0, room = 0;

  std::size_t repeats() const { return frames > 1 && room > 0 ? 1 : 0; }
  std::size_t shown() const { return (lines < room ? lines : room) - repeats(); }
  // The lines of inlined calls left out.
  std::size_t cut() const { return lines - (frames > 1 ? 1 : 0) - shown(); }

  void Write(TextRec& t, const ReportOptions& options) const {
    if (room == 0) return;
    WriteLines(t, *frame, options, shown(), cut());
    if (repeats() > 0) WriteRepeats(t, frames);
  }
};

}  // namespace

RepeatedFrames::RepeatedFrames(std::size_t limit, const ReportOptions& options)
    : limit_(limit < kMaxFrameLinesAfterError ? limit : kMaxFrameLinesAfterError),
      options_(options) {
  head_.reserve(limit_);
}

std::size_t RepeatedFrames::LinesOf(Run& run) {
  return LineCount(run.frame, options_) + (run.frames > 1 ? 1 : 0);
}

RepeatedFrames::Run& RepeatedFrames::Last(int which) {
  std::uint64_t run = runs_ - 2 + static_cast<std::uint64_t>(which);
  return run < head_.size() ? head_[run] : tail_[which];
}

void RepeatedFrames::Add(const WalkedFrame& frame) {
  ++frames_;
  if (runs_ > 0 && tail_[1].frame.code() == frame.code()) {
    if (++tail_[1].frames == 2) ++lines_;
    if (runs_ <= head_.size()) head_.back().frames = tail_[1].frames;
    return;
  }
  ++runs_;
  ++lines_;
  tail_[0] = tail_[1];
  tail_[1] = {ReportFrame(frame), 1};
  if (head_.size() < limit_) head_.push_back(tail_[1]);
}

void RepeatedFrames::WriteAll(TextRec& t) {
  for (Run& run : head_) WriteRun(t, run.frame, run.frames, limit_, options_);
}

void RepeatedFrames::Write(TextRec& t) {
  // Every run is among the first ones kept where the lines may fit; an
  // frame's inlined calls may still take more lines than there are.
  std::size_t lines = 0;
  for (std::size_t i = 0; lines_ <= limit_ && i < head_.size() && lines <= limit_; ++i) {
    lines += LinesOf(head_[i]);
  }
  if (lines_ <= limit_ && lines <= limit_) return WriteAll(t);
  // The lines nearest main: the last run, and the one before it where the
  // last takes one line; no more than half the lines, so that those nearest
  // the error keep their share however many calls were inlined there.
  std::size_t share = limit_ > 2 ? (limit_ - 1) / 2 : 1;
  Run& last_run = Last(1);
  RunEnd last{&last_run.frame, last_run.frames, LinesOf(last_run), 0};
  RunEnd before;
  if (last.lines == 1 && runs_ > 1 && share > 1) {
    Run& before_run = Last(0);
    before = {&before_run.frame, before_run.frames, LinesOf(before_run), 0};
    before.room = before.lines < share - 1 ? before.lines : share - 1;
  }
  last.room = share - before.room;
  std::size_t tail_lines = before.room + (last.lines < last.room ? last.lines : last.room);
  // The lines nearest the error take the rest, less the line that counts
  // what is left out; a run among the last is not shown among the first.
  std::size_t room = limit_ > tail_lines + 1 ? limit_ - tail_lines - 1 : 0;
  std::size_t first_runs = runs_ - (before.room > 0 ? 2 : 1);
  std::uint64_t left_out = frames_ - last.frames - (before.room > 0 ? before.frames : 0);
  left_out += last.cut() + (before.room > 0 ? before.cut() : 0);
  for (std::size_t i = 0; i < head_.size() && i < first_runs && room > 0; ++i) {
    Shown shown = WriteRun(t, head_[i].frame, head_[i].frames, room, options_);
    left_out = left_out + shown.cut - shown.frames;
    room -= shown.lines;
  }
  if (left_out > 0) {
    WriteLine(t, CountLine("  (", left_out, " frame left out)", " frames left out)"));
  }
  before.Write(t, options_);
  last.Write(t, options_);
}

}  // namespace rt
