// The report's last resort: the chain of frame records from one record
// outward, where no registers were kept to walk from.
#pragma once

#include <cstddef>

#include "console/text_rec.h"
#include "report/report_options.h"

namespace rt {

// Writes the frame lines of each frame record, starting with the record at
// frame; used: the lines the report has written after the error's own. A
// record that cannot be read faults, and that fault is a run-time error of
// its own.
void Dump_Stack(TextRec& t, void* frame, const ReportOptions& options, std::size_t used = 0);

}  // namespace rt
