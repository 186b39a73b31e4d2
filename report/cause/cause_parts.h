// The cause lines of each kind of ending, formed apart and written by
// WriteCause.
#pragma once

#include "base/text.h"
#include "platform/fault_record.h"
#include "report/error_report.h"
#include "report/report_options.h"

namespace rt {

// A memory fault: the access, the address and what lies there.
Text MemoryFaultCause(const platform::FaultFacts& facts);
// The stack running out: whose (thread names it), its size, and why.
Text StackOverflowCause(const platform::FaultRecord& fault, const Text& thread,
                        const ReportOptions& options);
// Integer division by zero or overflow, a floating-point trap, an illegal
// instruction.
Text ArithmeticCause(const platform::FaultFacts& facts, std::uint16_t code);
// An abort: which kind, from the function that called abort.
Text AbortCause(const ReportedError& error, const ReportOptions& options);
// std::terminate: an exception that nothing caught, or none at all.
Text TerminateCause(const EndingFacts& facts);

// The calling thread: "the main thread", or the place that started it.
Text ThreadName(const ReportOptions& options);
// Where in the program's life, for a thread other than the first or outside
// main; empty otherwise.
Text WhereCause(const ReportedError& error, const Text& thread);
// A hint where the program's own module has no line table; empty otherwise.
Text LinesHint();

}  // namespace rt
