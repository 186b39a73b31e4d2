// The line-information unit: frame lines with the source line and file of
// each code address, read from the line table of the module that holds it.
#pragma once

#include <cstdint>

#include "base/source_frame.h"
#include "base/text.h"

namespace rt {

// The frame line of addr, with " line N of FILE" where the table covers it.
Text DwarfBackTraceStr(void* addr);
// The same for the address of a faulting instruction: its line is the
// instruction's own, so a row that begins at the address counts for it.
Text DwarfFaultAddrStr(void* addr);
// Looks addr up, giving the source frames that hold it; false when the line
// information of its module could not be opened (the module's file cannot be read or holds no line
// table: it is then not searched for again). A failed read of the files is a run-time error with
// its I/O code.
bool GetLineInfo(void* addr, SourceFrames& frames);
bool OpenDwarf(void* addr);
void CloseDwarf();

// Unit entry: installs DwarfBackTraceStr and DwarfFaultAddrStr; the
// finalisation closes the file.
void InitLineInfoUnit();
void FinalizeLineInfoUnit();

}  // namespace rt
