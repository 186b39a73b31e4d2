// Choosing the frames whose values are shown, and writing their lines.
#include "report/values/frame_values.h"

#include "console/write_ops.h"
#include "dwarf/variables/variable_reader.h"
#include "report/frame_lookup.h"
#include "report/line_lookup.h"

namespace rt {

FrameValues::FrameValues() = default;
FrameValues::~FrameValues() = default;

void FrameValues::AfterLine(TextRec& t, const ReportFrame& frame, std::size_t source) {
  shown_ = false;
  if (!IsOwnLine(frame, source)) return;
  // A frame the walk knows nothing of but its address (a rethrown
  // exception's first throw, whose frames are gone) has no values to show.
  if (frame.registers.known == 0 && frame.cfa == 0) return;
  // A frame's inlined calls count as one frame with it.
  if (source == 0 || frame.code() != last_frame_) {
    if (frames_ == kMaxFrames) return;
    ++frames_;
    last_frame_ = frame.code();
  }
  shown_ = true;
  Text values;
  if (!FormValueLine(frame, source, readers_, "      ", values)) return;
  WriteText(0, t, values.view());
  WriteLineEnd(t);
}

void FrameValues::AfterRepeats(TextRec& t, const ReportFrame& frame, std::size_t lines) {
  if (!shown_) return;
  for (std::size_t i = 0; i < lines; ++i) {
    if (!IsOwnLine(frame, i)) continue;
    Text lead, values;
    lead.Append("      in the first call of ");
    lead.Append(frame.sources[i].function.view());
    lead.Append(": ");
    if (!FormValueLine(frame, i, readers_, lead.view(), values)) continue;
    WriteText(0, t, values.view());
    WriteLineEnd(t);
  }
}

}  // namespace rt
