// The run-time error report: the error line, the frame lines of the error
// address, the frames of the stack walk, and an empty line.
#pragma once

#include <cstdint>

#include "base/registers.h"
#include "console/text_rec.h"
#include "platform/fault_record.h"
#include "report/report_options.h"
#include "report/throws/first_throw.h"

namespace rt {

// Where in the program's life an error was raised, where the runtime knows.
enum class ProgramPhase : std::uint8_t { kNotTold, kBeforeMain, kInMain, kAfterMain };

// What the runtime learnt of how the program ended, beyond the error.
struct EndingFacts {
  ProgramPhase phase = ProgramPhase::kNotTold;
  // std::terminate ended the program: for an exception that nothing caught,
  // the mangled name of its type (null with no exception active), and
  // whether it left a function that may not throw; or a pure virtual
  // function called.
  bool terminated = false;
  const char* exception_type = nullptr;
  bool left_noexcept = false;
  bool pure_virtual = false;
};

// The error a report tells of.
struct ReportedError {
  std::uint16_t code = 0;
  void* addr = nullptr;  // the error address
  void* base = nullptr;  // the frame whose record the last-resort walk starts at
  // For a processor fault, what the outermost handler recorded of it (its
  // registers and stack, as they stood); null for every other error.
  const platform::FaultRecord* fault = nullptr;
  // For every other error, the registers where it was raised, from which
  // the walk steps to the frame of addr and on to its callers; null where
  // they were not kept.
  const FrameRegisters* raised_at = nullptr;
  EndingFacts facts;
  // For an exception thrown again, where it was first thrown (addr is that
  // throw's call, and the walk from raised_at goes on from the call that
  // threw it again); null for every other error.
  const FirstThrow* first_throw = nullptr;
};

// Writes the report of error on t, in the report's own memory. Its writes
// are not checked: a failing one leaves its code pending and the rest does
// nothing.
void WriteReport(TextRec& t, const ReportedError& error, const ReportOptions& options);

}  // namespace rt
