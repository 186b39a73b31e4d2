// The pieces the cause lines are made of.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/text.h"
#include "report/report_frame.h"
#include "report/report_options.h"

namespace rt {

// An address as the report writes one: "0x" and its hexadecimal digits.
void AppendAddress(Text& text, std::uint64_t address);
// A size in the unit that reads best: "8 MB", "64 KB", "512 bytes".
void AppendSize(Text& text, std::uint64_t bytes);

// The innermost source frame of the code at a frame, resolved as the
// report's lines are; empty where nothing is known of it.
SourceFrame SourceAt(const WalkedFrame& frame, const ReportOptions& options);

// A place as a frame line names it: "line 19 of marks.cpp in main", or what
// part of that is known; empty where nothing is.
void AppendPlace(Text& text, const SourceFrame& source);
// A function's name, or where none is known, the address of its code.
void AppendFunction(Text& text, const SourceFrame& source, std::uint64_t code);

}  // namespace rt
