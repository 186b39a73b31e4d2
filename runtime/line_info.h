// The line-information unit: frame lines with the source line and file of
// each code address, read from the line table of the module that holds it.
#pragma once

#include "base/source_frame.h"
#include "base/text.h"

namespace rt {

struct ReportFrame;  // report/report_frame.h

// The frame line of addr, with " line N of FILE" where the table covers it.
Text DwarfBackTraceStr(void* addr);
// The same for the address of a faulting instruction: its line is the
// instruction's own, so a row that begins at the address counts for it.
Text DwarfFaultAddrStr(void* addr);
// Looks addr up, giving the source frames that hold it; false when the line
// information of its module could not be opened (the module's file cannot
// be read or holds no line table: it is then not searched for again). A
// failed read of the files is a run-time error with its I/O code.
// detail: the SourceDetail asked for beyond the line.
bool GetLineInfo(void* addr, SourceFrames& frames, unsigned detail = 0);
bool OpenDwarf(void* addr);
void CloseDwarf();

// The source frames of a frame of a full report, each naming its function,
// the frame's module named where it is not the program; false, leaving the
// frame to the one-line formatters, where a program installed formatters of
// its own.
bool ResolveByLineTable(ReportFrame& frame);

// Unit entry: installs DwarfBackTraceStr, DwarfFaultAddrStr and
// ResolveByLineTable; the finalisation closes the file.
void InitLineInfoUnit();
void FinalizeLineInfoUnit();

}  // namespace rt
