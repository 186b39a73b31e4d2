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

// What the lines written of a run stand for: frames, and the lines of
// calls inlined there that were left out.
struct Shown {
  std::uint64_t frames = 0;
  std::size_t lines = 0, cut = 0;
};

// A run's frame lines, at most room of them, then its repeats' line where
// it has one and there is room for it.
Shown WriteRun(TextRec& t, std::uint64_t address, std::uint64_t frames, std::size_t room) {
  Shown shown;
  std::size_t total = 0;
  shown.lines = WriteFrameLines(t, address, false, room, 0, &total);
  shown.cut = total - shown.lines;
  shown.frames = 1;
  if (frames < 2 || shown.lines >= room) return shown;
  WriteLine(t, CountLine("  (the line above repeats ", frames - 1, " more time)", " more times)"));
  ++shown.lines;
  shown.frames = frames;
  return shown;
}

// The last lines of a run, at most room of them: its repeats' line is kept,
// and the lines of the calls nearest the error go first.
struct RunEnd {
  std::uint64_t address = 0, frames = 0;
  std::size_t lines = 0, room = 0;

  std::size_t repeats() const { return frames > 1 && room > 0 ? 1 : 0; }
  std::size_t shown() const { return (lines < room ? lines : room) - repeats(); }
  // The lines of inlined calls left out.
  std::size_t cut() const { return lines - (frames > 1 ? 1 : 0) - shown(); }

  void Write(TextRec& t) const {
    if (room == 0) return;
    WriteFrameLines(t, address, false, shown(), cut());
    if (repeats() > 0) {
      WriteLine(t,
                CountLine("  (the line above repeats ", frames - 1, " more time)", " more times)"));
    }
  }
};

}  // namespace

RepeatedFrames::RepeatedFrames(std::size_t limit)
    : limit_(limit < kMaxFrameLinesAfterError ? limit : kMaxFrameLinesAfterError) {}

std::size_t RepeatedFrames::LinesOf(const Run& run) {
  FrameLines lines;
  FrameLinesFunc(reinterpret_cast<void*>(run.address), false, lines);
  return lines.count + (run.frames > 1 ? 1 : 0);
}

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

void RepeatedFrames::Write(TextRec& t) const {
  // Every run is among the first ones kept where the lines may fit; an
  // address's inlined calls may still take more lines than there are.
  std::size_t lines = 0;
  for (std::size_t i = 0; lines_ <= limit_ && i < head_runs_ && lines <= limit_; ++i) {
    lines += LinesOf(head_[i]);
  }
  if (lines_ <= limit_ && lines <= limit_) {
    for (std::size_t i = 0; i < head_runs_; ++i) {
      WriteRun(t, head_[i].address, head_[i].frames, limit_);
    }
    return;
  }
  // The lines nearest main: the last run, and the one before it where the
  // last takes one line; no more than half the lines, so that those nearest
  // the error keep their share however many calls were inlined there.
  std::size_t share = limit_ > 2 ? (limit_ - 1) / 2 : 1;
  RunEnd last{tail_[1].address, tail_[1].frames, LinesOf(tail_[1]), 0};
  RunEnd before{tail_[0].address, tail_[0].frames, 0, 0};
  if (last.lines == 1 && runs_ > 1 && share > 1) {
    before.lines = LinesOf(tail_[0]);
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
  for (std::size_t i = 0; i < head_runs_ && i < first_runs && room > 0; ++i) {
    Shown shown = WriteRun(t, head_[i].address, head_[i].frames, room);
    left_out = left_out + shown.cut - shown.frames;
    room -= shown.lines;
  }
  if (left_out > 0) {
    WriteLine(t, CountLine("  (", left_out, " frame left out)", " frames left out)"));
  }
  before.Write(t);
  last.Write(t);
}

}  // namespace rt
