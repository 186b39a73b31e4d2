// The lines of a report that tell where an exception thrown again was
// first thrown.
#pragma once

#include <cstddef>

#include "console/text_rec.h"
#include "report/report_frame.h"
#include "report/report_options.h"
#include "report/throws/first_throw.h"

namespace rt {

// Writes the frame lines of the first throw's callers (the line of its own
// call is the error address's), then "  rethrown at:" and the frame lines
// of the call that threw it again, within the report's limits on t less
// the used lines written after the error address's own; the count of frame
// lines after it then. The walk from where it was thrown again goes on
// with that call's callers. site: what the walk knows of the frame of that
// call (its registers, for its values), or its address alone.
std::size_t WriteFirstThrow(TextRec& t, const FirstThrow& first, const WalkedFrame& site,
                            const ReportOptions& options, std::size_t used);

}  // namespace rt
