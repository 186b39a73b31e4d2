// The lines of a group of frames: a frame's own, or a cycle's frames once,
// then "  (the line above repeats N more times)" or "  (the K lines above
// repeat N more times)", which counts as one line. Every line a frame's
// inlined calls add is one of its lines.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/text_rec.h"
#include "report/report_frame.h"
#include "report/report_options.h"

namespace rt {

struct FrameGroup {
  ReportFrame* frames = nullptr;  // count records, outward
  std::size_t count = 0;
  std::uint64_t times = 1;  // more than 1: a cycle that ran that many times
  // A cycle's last run, count records, where the walk went on past it: the
  // first of its calls.
  ReportFrame* last = nullptr;

  std::uint64_t walked() const { return count * times; }
};

// The lines of the group's frames alone, then with its count line.
std::size_t FrameLines(const FrameGroup& group, const ReportOptions& options);
std::size_t GroupLines(const FrameGroup& group, const ReportOptions& options);

// What the lines written of a group stand for: the walk's frames, and the
// lines of frames shown in part that were left out.
struct ShownLines {
  std::uint64_t frames = 0;
  std::size_t lines = 0, cut = 0;
};

// The group's first lines, at most room of them; its count line where all
// its frames' lines were written and there is room for it.
ShownLines WriteGroup(TextRec& t, const FrameGroup& group, std::size_t room,
                      const ReportOptions& options);

// The group's lines less the first skip of its frames' (those nearest the
// error go first); its count line is kept.
void WriteGroupEnd(TextRec& t, const FrameGroup& group, std::size_t skip,
                   const ReportOptions& options);

// "  (N frames left out)".
void WriteLeftOut(TextRec& t, std::uint64_t frames);

}  // namespace rt
