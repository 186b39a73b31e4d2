// Frame lines of the run-time error report, and the walks that give them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "console/text_rec.h"
#include "runtime/stack_walk.h"

namespace rt {

// Formats the frame line of one code address.
using BackTraceStrProc = Text (*)(void* addr);

// The installed formatter; the line-information unit replaces the plain one.
extern BackTraceStrProc BackTraceStrFunc;
// The formatter of a faulting instruction's own address, whose line is that
// of the instruction itself rather than of a call before it.
extern BackTraceStrProc FaultAddrStrFunc;
// Frame lines after the first one that a report on a standard stream shows.
extern std::uint16_t Max_Frame_Dump;
// In a program with its own main: frame lines that repeat the line before
// them are written once, with a line that counts the repeats, and a walk
// longer than the report's limit keeps the lines nearest main as well as
// those nearest the error. A program written as the quiz is writes every
// line up to the limit.
extern bool CollapseRepeatedFrames;

// Two blanks, "$" and the address in sixteen hexadecimal digits.
Text SysBackTraceStr(void* addr);

// The upper end of the stack that holds address, a stack of the calling
// thread.
void* StackTop(const void* address);

// Writes one frame line per frame record, starting with the record at frame.
void Dump_Stack(TextRec& t, void* frame, void* addr);
// Writes one frame line per caller the walk steps to, within the limits of a
// report; a thread's walk ends before the routine that called main or
// started the thread.
void Dump_Walk(TextRec& t, StackWalk& walk);

}  // namespace rt
