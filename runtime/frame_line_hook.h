// The replaceable formatters of the report's frame lines: a program that
// writes its frame lines itself installs its own here.
#pragma once

#include "base/text.h"

namespace rt {

// Formats the frame line of one code address, 255 bytes at most.
using BackTraceStrProc = Text (*)(void* addr);

// The installed formatter; the line-information unit replaces the plain one.
extern BackTraceStrProc BackTraceStrFunc;
// The formatter of a faulting instruction's own address, whose line is that
// of the instruction itself rather than of a call before it.
extern BackTraceStrProc FaultAddrStrFunc;

// Two blanks, "$" and the address in sixteen hexadecimal digits.
Text SysBackTraceStr(void* addr);

}  // namespace rt
