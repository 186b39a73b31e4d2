// Frame lines of the run-time error report and the walk over frame records.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "console/text_rec.h"

namespace rt {

// Formats the frame line of one code address.
using BackTraceStrProc = Text (*)(void* addr);

// The installed formatter; the line-information unit replaces the plain one.
extern BackTraceStrProc BackTraceStrFunc;
// Frame lines after the first one that a report on a standard stream shows.
extern std::uint16_t Max_Frame_Dump;

// Two blanks, "$" and the address in sixteen hexadecimal digits.
Text SysBackTraceStr(void* addr);

// The upper end of the calling thread's stack.
void* StackTop();

// Writes one frame line per frame record, starting with the record at frame.
void Dump_Stack(TextRec& t, void* frame, void* addr);

}  // namespace rt
