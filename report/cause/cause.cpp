// Choosing the words of the ending at hand.
#include "report/cause/cause.h"

#include "base/error_numbers.h"
#include "console/write_ops.h"
#include "platform/fault_codes.h"
#include "report/cause/cause_parts.h"

namespace rt {

namespace {

void WriteLine(TextRec& t, const Text& line) {
  if (line.length == 0) return;
  WriteText(0, t, line.view());
  WriteLineEnd(t);
}

Text FaultCause(const platform::FaultRecord& fault, std::uint16_t code, const Text& thread,
                const ReportOptions& options) {
  if (fault.facts.exception_code == platform::kStatusStackOverflow) {
    return StackOverflowCause(fault, thread, options);
  }
  if (fault.facts.exception_code == platform::kStatusAccessViolation) {
    return MemoryFaultCause(fault.facts);
  }
  return ArithmeticCause(fault.facts, code);
}

}  // namespace

void WriteCause(TextRec& t, const ReportedError& error, const ReportOptions& options) {
  Text thread = ThreadName(options);
  bool thread_named = false;
  if (error.facts.terminated) {
    WriteLine(t, TerminateCause(error.facts));
  } else if (error.fault != nullptr && error.fault->kind == platform::FaultKind::kProcessor) {
    WriteLine(t, FaultCause(*error.fault, error.code, thread, options));
    // A stack that ran out names its thread already.
    thread_named = error.fault->facts.exception_code == platform::kStatusStackOverflow;
  } else if (error.code == kProgramAborted) {
    WriteLine(t, AbortCause(error, options));
  }
  if (!thread_named) WriteLine(t, WhereCause(error, thread));
  WriteLine(t, LinesHint());
}

}  // namespace rt
