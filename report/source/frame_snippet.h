// The source line under the first frame line of the program's own code:
// where it is, the line itself and a caret under the column.
#pragma once

#include <cstddef>

#include "console/text_rec.h"
#include "report/report_frame.h"

namespace rt {

// One report's snippet: shown once, under the first frame line whose
// source is the program's own (its code in the program, its file none of
// the system's headers), whether or not the file can be shown.
class FrameSnippet {
 public:
  // colour: whether the lines may hold the terminal's colour sequences.
  explicit FrameSnippet(bool colour) : colour_(colour) {}

  // Called after each frame line is written: source is the index of the
  // line's source frame in the frame's record.
  void AfterLine(TextRec& t, const ReportFrame& frame, std::size_t source);

 private:
  bool colour_;
  bool tried_ = false;
};

// Whether the report's stream may be coloured: a terminal, with NO_COLOR
// unset.
bool MayColour(const TextRec& t);

}  // namespace rt
