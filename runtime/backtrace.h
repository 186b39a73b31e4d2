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

// Two blanks, "$" and the address in sixteen hexadecimal digits.
Text SysBackTraceStr(void* addr);

// In a program with its own main: the frame address of the runtime's
// routine that called main. The walk shows no frame from it on, so that the
// report ends at main; 0 where the walk ends at the outermost frame only.
extern std::uint64_t WalkEndFrame;

// The upper end of the calling thread's stack.
void* StackTop();

// Writes one frame line per frame record, starting with the record at frame.
void Dump_Stack(TextRec& t, void* frame, void* addr);
// Writes one frame line per caller the walk steps to, within the limits of a
// report.
void Dump_Walk(TextRec& t, StackWalk& walk);
// Writes one frame line per return address walked before, within the same
// limits; frames[i] is the frame address of the step that reached
// return_addresses[i].
void Dump_Frames(TextRec& t, const std::uint64_t* return_addresses, const std::uint64_t* frames,
                 std::size_t count);

}  // namespace rt
