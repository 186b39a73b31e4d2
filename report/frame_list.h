// The frame lines a report writes after the error address's own, from
// whichever walk found the frames: the limits, the end rule and the stop
// rules are applied here alone.
#pragma once

#include <cstddef>

#include "console/text_rec.h"
#include "report/frame_source.h"
#include "report/report_options.h"

namespace rt {

// The most frame lines a report writes after the error address's own on a
// stream that is not standard (on a standard one, max_frame_dump + 1).
constexpr std::size_t kMaxFrameLinesAfterError = 257;

// The most frame lines a report on t writes after the error address's own.
std::size_t FrameLineLimit(const TextRec& t, const ReportOptions& options);

// Writes the lines of each frame, within the report's limits on t less the
// used lines written after the error address's own; in the full style,
// repeated lines are collapsed. The list ends at a return address of 0,
// before the frame of the runtime's routine that called main or started
// the thread, and after a frame with no frame address beyond it.
void WriteFrameList(TextRec& t, FrameSource& frames, const ReportOptions& options,
                    std::size_t used = 0);

}  // namespace rt
