// Forming the report from the error and the walk that fits it.
#include "report/error_report.h"

#include "base/text.h"
#include "console/write_ops.h"
#include "report/cause/cause.h"
#include "report/frame_chain.h"
#include "report/frame_lines.h"
#include "report/frame_list.h"
#include "report/report_memory.h"
#include "report/source/frame_snippet.h"
#include "report/stack_walk.h"
#include "report/throws/first_throw_lines.h"
#include "report/values/frame_values.h"

namespace rt {

namespace {

// The error address's own lines, less the first; the count of them.
std::size_t WriteOwnLines(TextRec& t, ReportFrame& own, const ReportOptions& options) {
  std::size_t used = WriteLines(t, own, options, FrameLineLimit(t, options) + 1);
  return used > 0 ? used - 1 : 0;
}

// The faulting frame, whose frame address the first step of the walk over
// the stack as it stood finds, then its callers.
void WriteFaultFrames(TextRec& t, ReportFrame& own, const platform::FaultRecord& fault,
                      const ReportOptions& options) {
  StackMemory stack(fault.stack_low, fault.stack_top);
  StackWalk walk(fault.registers, true, stack);
  SteppedFrames frames(walk);
  own.registers = fault.registers;
  own.cfa = walk.frame();
  if (frames.Caller() != nullptr) own.caller = *frames.Caller();
  WriteFrameList(t, frames, options, WriteOwnLines(t, own, options));
}

// The error address's frame and its callers, walked from where the error
// was raised: the frames on the way there are the runtime's own. The
// frame's registers and frame address are those the walk finds, unless
// the error names a first throw, whose frames come first. False, with
// nothing written, when the walk does not come to the error address.
bool WalkFromWhereRaised(TextRec& t, ReportFrame& own, const ReportedError& error,
                         const ReportOptions& options) {
  std::uint64_t sp = error.raised_at->value[platform::kWalkLayout.stack_pointer];
  StackMemory stack(sp, StackTop(sp));
  StackWalk walk(*error.raised_at, false, stack);
  std::uint64_t error_addr = error.first_throw != nullptr
                                 ? error.first_throw->rethrown_at
                                 : reinterpret_cast<std::uint64_t>(error.addr);
  for (int step = 0; step < 16; ++step) {
    if (!walk.Step()) return false;
    if (walk.pc() != error_addr) continue;
    WalkedFrame here = FrameAt(error_addr, false);
    here.registers = walk.current().registers;
    // The frame's own frame address is known once the walk has left it.
    SteppedFrames frames(walk);
    here.cfa = walk.frame();
    if (frames.Caller() != nullptr) here.caller = *frames.Caller();
    if (error.first_throw == nullptr) static_cast<WalkedFrame&>(own) = here;
    std::size_t used = WriteOwnLines(t, own, options);
    if (error.first_throw != nullptr)
      used = WriteFirstThrow(t, *error.first_throw, here, options, used);
    WriteFrameList(t, frames, options, used);
    return true;
  }
  return false;
}

}  // namespace

void WriteReport(TextRec& t, const ReportedError& error, const ReportOptions& installed) {
  UseReportMemory();
  ReportOptions options = installed;
  FrameSnippet snippet(MayColour(t));
  FrameValues values;
  if (options.style == ReportStyle::kFull) {
    options.snippet = &snippet;
    options.values = &values;
  }
  WriteText(0, t, "Runtime error ");
  WriteUnsigned(0, t, error.code);
  WriteText(0, t, " at $");
  Text address;
  address.AppendHex16(reinterpret_cast<std::uintptr_t>(error.addr));
  WriteText(0, t, address.view());
  WriteLineEnd(t);
  if (options.style == ReportStyle::kFull) WriteCause(t, error, options);
  // A fault's address is that of the faulting instruction itself. The lines
  // of the calls inlined there count among the frame lines after it.
  ReportFrame own(FrameAt(reinterpret_cast<std::uintptr_t>(error.addr), error.fault != nullptr));
  if (error.fault != nullptr) {
    WriteFaultFrames(t, own, *error.fault, options);
  } else if (error.raised_at == nullptr || !WalkFromWhereRaised(t, own, error, options)) {
    std::size_t used = WriteOwnLines(t, own, options);
    if (error.first_throw != nullptr) {
      used = WriteFirstThrow(t, *error.first_throw, FrameAt(error.first_throw->rethrown_at, false),
                             options, used);
    }
    Dump_Stack(t, error.base, options, used);
  }
  WriteText(0, t, "");
  WriteLineEnd(t);
}

}  // namespace rt
