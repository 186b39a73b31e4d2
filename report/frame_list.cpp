// The one list of a report's frame lines.
#include "report/frame_list.h"

#include "console/std_streams.h"
#include "platform/walk.h"
#include "report/frame_lines.h"
#include "report/frames/repeated_frames.h"

namespace rt {

std::size_t FrameLineLimit(const TextRec& t, const ReportOptions& options) {
  return Do_IsDevice(t.Handle) ? std::size_t{options.max_frame_dump} + 1 : kMaxFrameLinesAfterError;
}

void WriteFrameList(TextRec& t, FrameSource& frames, const ReportOptions& options,
                    std::size_t used) {
  const std::size_t full = FrameLineLimit(t, options);
  const std::size_t limit = used < full ? full - used : 0;
  const std::uint64_t end = platform::WalkEnd();
  const bool collapse = options.style == ReportStyle::kFull;
  RepeatedFrames repeated(collapse ? limit : 0, options);
  std::size_t count = 0;
  for (WalkedFrame walked; count < limit && frames.Next(walked);) {
    if (walked.code() == 0 || (end != 0 && walked.cfa == end)) break;
    if (collapse) {
      repeated.Add(walked);
    } else {
      ReportFrame frame(walked);
      count += WriteLines(t, frame, options, limit - count);
    }
    if (walked.cfa == 0) break;
  }
  if (collapse) repeated.Write(t);
}

}  // namespace rt
