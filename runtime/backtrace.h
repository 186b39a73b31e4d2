// The report's frame lines: their formatter, their limits, and the walk by
// frame records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/text_rec.h"
#include "runtime/frame_line_hook.h"

namespace rt {

// Frame lines after the first one that a report on a standard stream shows.
extern std::uint16_t Max_Frame_Dump;
// In a program with its own main: frame lines that repeat the line before
// them are written once, with a line that counts the repeats, and a walk
// longer than the report's limit keeps the lines nearest main as well as
// those nearest the error. A program written as the quiz is writes every
// line up to the limit.
extern bool CollapseRepeatedFrames;
// In a program with its own main: a frame line follows each for every call
// inlined at its address, each names its function, and a frame outside the
// program without a source line names its module. A program written as the
// quiz is keeps one line per frame, as its reports always had.
extern bool FrameLinesInFull;

// The upper end of the stack that holds address, a stack of the calling
// thread.
void* StackTop(const void* address);

// Writes the frame lines of each frame record, starting with the record at
// frame; used: the lines the report has written after the error's own.
void Dump_Stack(TextRec& t, void* frame, void* addr, std::size_t used = 0);

}  // namespace rt
