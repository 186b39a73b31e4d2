// The frame lines of a long walk as a report in a program with its own main
// shows them: a line that repeats the line before it (a function calling
// itself) is written once, then "  (the line above repeats N more times)",
// which counts as one line; where the lines still do not fit the limit, the
// lines nearest the error, then "  (N frames left out)", then the lines
// nearest main, so that a report always reaches main. Memory stays the same
// however many frames the walk has.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/text_rec.h"
#include "runtime/frame_line_hook.h"
#include "runtime/frame_list.h"

namespace rt {

class RepeatedFrames {
 public:
  // limit: the most lines the report shows after the error's own.
  explicit RepeatedFrames(std::size_t limit);

  // The next frame's address, outward from the error.
  void Add(std::uint64_t address);
  void Write(TextRec& t) const;

 private:
  // A frame's lines and how many frames in a row have them.
  struct Run {
    std::uint64_t address = 0;
    std::uint64_t frames = 0;
  };

  // The lines a run takes: its address's, and the repeats' line.
  static std::size_t LinesOf(const Run& run);

  std::size_t limit_;
  Run head_[kMaxFrameLinesAfterError];  // the first runs, as many as could be shown
  std::size_t head_runs_ = 0;
  Run tail_[2];  // the last two runs, the last one last
  std::uint64_t runs_ = 0, frames_ = 0, lines_ = 0;
};

}  // namespace rt
