// The line-information unit. The readers below only report a failed read;
// here it becomes a run-time error, raised while the report is written, so
// that a second report with plain frame lines follows.
#include "runtime/line_info.h"

#include <cstdint>

#include "base/every_run.h"
#include "base/frame_line.h"
#include "dwarf/source_lookup.h"
#include "report/frame_lookup.h"
#include "report/line_lookup.h"
#include "report/report_frame.h"
#include "runtime/errors.h"
#include "runtime/frame_line_hook.h"
#include "runtime/report.h"

namespace rt {

namespace {

// Whether a lookup was made: a process that never looked anything up
// closes nothing at its end, and touches none of the report's code.
bool looked_up = false;

// Raises the I/O code of a read of the files that failed, if one did.
void RaiseFailedRead(std::uint16_t code) {
  if (code != 0) RunError(code);
}

}  // namespace

void CloseDwarf() {
  if (looked_up) RaiseFailedRead(CloseModuleLines().io_error);
}

bool OpenDwarf(void* addr) {
  looked_up = true;
  FileResult opened = OpenModuleLines(reinterpret_cast<std::uintptr_t>(addr));
  RaiseFailedRead(opened.io_error);
  return opened.ok;
}

bool GetLineInfo(void* addr, SourceFrames& frames, unsigned detail) {
  frames.clear();
  if (!ModuleLinesOpen() && !OpenDwarf(addr)) return false;
  RaiseFailedRead(LookUpSourceFrames(reinterpret_cast<std::uintptr_t>(addr), frames, detail));
  return true;
}

namespace {

// The source frames of the address looked up, as the line-information
// unit's formatters see them: a run-time error raised during the lookup
// gets plain frame lines and does not come back here.
void LookUp(std::uintptr_t looked_up_at, unsigned detail, SourceFrames& frames) {
  BackTraceStrProc kept = BackTraceStrFunc, kept_fault = FaultAddrStrFunc;
  ResolveFrameProc kept_resolve = ResolveFrameFunc;
  BackTraceStrFunc = FaultAddrStrFunc = SysBackTraceStr;
  ResolveFrameFunc = nullptr;
  // A module whose lines cannot be had costs only its own frame lines: the
  // formatter stays for the others.
  GetLineInfo(reinterpret_cast<void*>(looked_up_at), frames, detail);
  BackTraceStrFunc = kept;
  FaultAddrStrFunc = kept_fault;
  ResolveFrameFunc = kept_resolve;
}

// The frame line of addr with the innermost source frame of the address
// looked up.
Text FrameLineOf(void* addr, std::uintptr_t looked_up_at) {
  SourceFrames frames;
  LookUp(looked_up_at, kLinesOnly, frames);
  return FrameLine(reinterpret_cast<std::uintptr_t>(addr), frames);
}

}  // namespace

Text DwarfBackTraceStr(void* addr) {
  return FrameLineOf(addr, reinterpret_cast<std::uintptr_t>(addr));
}

// The lookup gives an address the row strictly below it, as a return
// address wants; the row that begins at an instruction is the one strictly
// below the instruction's next byte.
Text DwarfFaultAddrStr(void* addr) {
  return FrameLineOf(addr, reinterpret_cast<std::uintptr_t>(addr) + 1);
}

bool ResolveByLineTable(ReportFrame& frame) {
  if (BackTraceStrFunc != DwarfBackTraceStr || FaultAddrStrFunc != DwarfFaultAddrStr) return false;
  // The row strictly below the byte after the instruction is the
  // instruction's own.
  LookUp(frame.instruction() + 1, kInlinedCalls | kFunctionNames, frame.sources);
  NameFrame(frame);
  return true;
}

QUIZ_EVERY_RUN void InitLineInfoUnit() {
  BackTraceStrFunc = DwarfBackTraceStr;
  FaultAddrStrFunc = DwarfFaultAddrStr;
  ResolveFrameFunc = ResolveByLineTable;
}

QUIZ_EVERY_RUN void FinalizeLineInfoUnit() {
  if (looked_up && ModuleLinesOpen()) CloseDwarf();
}

}  // namespace rt
