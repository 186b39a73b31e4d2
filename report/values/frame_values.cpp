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
  if (!IsOwnLine(frame, source)) return;
  // A frame's inlined calls count as one frame with it.
  if (source == 0 || frame.code() != last_frame_) {
    if (frames_ == kMaxFrames) return;
    ++frames_;
    last_frame_ = frame.code();
  }
  Text values;
  if (!FormValueLine(frame, source, readers_, values)) return;
  WriteText(0, t, values.view());
  WriteLineEnd(t);
}

}  // namespace rt
