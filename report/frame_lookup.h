// What a frame's lines name besides its source lines: the function, from
// the module's symbol table where no debugging entry names it, and the
// module where it is not the program.
#pragma once

#include <cstdint>
#include <string_view>

#include "report/report_frame.h"

namespace rt {

// Completes a frame whose source frames the line information gave (none,
// where it had none for it): sources is left with one frame at least.
void NameFrame(ReportFrame& frame);

// Whether code lies in the program itself, not in a library.
bool InProgram(std::uint64_t code);
// Whether a source file is the program's own: not one of the compiler's or
// the system's headers, which lie under the system's folders.
bool IsOwnSource(std::string_view file);
// Whether the frame's source frame of that index is a line of the
// program's own code: a known line of a file of its own, in the program.
bool IsOwnLine(const ReportFrame& frame, std::size_t source);

}  // namespace rt
