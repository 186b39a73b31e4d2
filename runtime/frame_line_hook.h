// The replaceable formatter of the report's frame lines: a program that
// writes its frame lines itself installs its own here.
#pragma once

#include <cstddef>

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

// The frame lines of one code address: the line of its code, then one for
// each inlined call that led there, innermost first.
struct FrameLines {
  static constexpr std::size_t kMaxLines = 16;
  Text lines[kMaxLines];
  std::size_t count = 0;

  void Add(const Text& line) {
    if (count < kMaxLines) lines[count++] = line;
  }
};

// Forms the frame lines of a code address; at_fault: the address is that
// of a faulting instruction, formatted by FaultAddrStrFunc.
using FrameLinesProc = void (*)(void* addr, bool at_fault, FrameLines& lines);
// The installed one; the line-information unit replaces the plain one,
// which gives the one line of BackTraceStrFunc or FaultAddrStrFunc.
extern FrameLinesProc FrameLinesFunc;
void SysFrameLines(void* addr, bool at_fault, FrameLines& lines);

}  // namespace rt
