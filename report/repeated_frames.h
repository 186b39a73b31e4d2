// The frame lines of a long walk as a report in the full style shows them:
// a line that repeats the line before it (a function calling itself) is
// written once, then "  (the line above repeats N more times)", which
// counts as one line; where the lines still do not fit the limit, the lines
// nearest the error, then "  (N frames left out)", then the lines nearest
// main, so that a report always reaches main. Memory stays the same however
// many frames the walk has, and each frame kept is resolved once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "console/text_rec.h"
#include "report/report_frame.h"
#include "report/report_options.h"

namespace rt {

class RepeatedFrames {
 public:
  // limit: the most lines the report shows after the error's own.
  RepeatedFrames(std::size_t limit, const ReportOptions& options);

  // The next frame, outward from the error.
  void Add(const WalkedFrame& frame);
  void Write(TextRec& t);

 private:
  // A frame and how many frames in a row have its code address.
  struct Run {
    ReportFrame frame;
    std::uint64_t frames = 0;
  };

  // The lines a run takes: its frame's, and the repeats' line.
  std::size_t LinesOf(Run& run);
  // The last run (which 1) or the one before it (which 0): the record kept
  // among the first runs where it is one of them.
  Run& Last(int which);
  void WriteAll(TextRec& t);

  std::size_t limit_;
  const ReportOptions& options_;
  std::pmr::vector<Run> head_;  // the first runs, as many as could be shown
  Run tail_[2];                 // the last two runs, the last one last
  std::uint64_t runs_ = 0, frames_ = 0, lines_ = 0;
};

}  // namespace rt
