// Why the program ended, in words a beginner reads: the lines that follow
// the error line of a full report. Each says the facts the runtime knows
// (the access and the address of a memory fault, what lies there, whose
// stack ran out and why, which kind of abort, the exception nothing caught,
// where in the program's life) and nothing it guesses. None begins with
// "$", so whatever reads frame lines passes over them.
#pragma once

#include "console/text_rec.h"
#include "report/error_report.h"
#include "report/report_options.h"

namespace rt {

// Writes the cause lines of error; options resolve the functions named.
void WriteCause(TextRec& t, const ReportedError& error, const ReportOptions& options);

}  // namespace rt
