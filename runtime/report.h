// The run-time error report written on the way out.
#pragma once

#include "console/text_rec.h"

namespace rt {

// The report goes to StdErr when true, to StdOut otherwise.
extern bool WriteErrorsToStdErr;

// Writes the report of the pending run-time error. Its writes are not
// checked: a failing one leaves its code pending and the rest does nothing.
void WriteErrorReport(TextRec& t);

}  // namespace rt
