// The lines of one frame of the report: its record resolved once, then
// counted and written from what the record holds.
#pragma once

#include <cstddef>

#include "console/text_rec.h"
#include "report/report_frame.h"
#include "report/report_options.h"

namespace rt {

// Resolves the frame, unless it has been: in the full style by the
// options' resolver, and where that leaves it, by the one-line formatters.
void ResolveFrame(ReportFrame& frame, const ReportOptions& options);

// The lines a frame shows: its code's, then one for each call inlined
// there, innermost first. Resolves the frame.
std::size_t LineCount(ReportFrame& frame, const ReportOptions& options);

// Writes at most room of the frame's lines, less the first skip of them;
// the count written. Resolves the frame.
std::size_t WriteLines(TextRec& t, ReportFrame& frame, const ReportOptions& options,
                       std::size_t room, std::size_t skip = 0);

}  // namespace rt
