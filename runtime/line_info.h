// The line-information unit: frame lines with the source line and file of
// each code address, read from the program's own line table.
#pragma once

#include <cstdint>
#include <string_view>

#include "console/text.h"

namespace rt {

// Set for good once a file was opened that has no line table.
extern bool DwarfUnavailable;

// The frame line of addr, with " line N of FILE" where the table covers it.
Text DwarfBackTraceStr(void* addr);
// Looks addr up; false when the line information could not be opened.
bool GetLineInfo(void* addr, Text& source, std::int32_t& line);
bool OpenDwarf(void* addr);
void CloseDwarf();

// Unit entry: installs DwarfBackTraceStr; the finalisation closes the file.
void InitLineInfoUnit();
void FinalizeLineInfoUnit();

// Makes every lookup read this file, at its own image base, instead of the
// module that holds the address (for tools that read other programs).
void UseLineInfoFile(std::string_view name);

}  // namespace rt
