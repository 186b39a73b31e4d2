// The process entry shared by every program written as the quiz is.
#pragma once

namespace rt {

// Prepares the process (the outermost handler, which raises a processor
// fault as a run-time error at the faulting instruction; a vanished reader
// as a failed write), clears the exit code and calls program through
// main_wrapper, the outermost frame. The program ends through Do_Exit;
// should it return, the process ends with the exit code. Never returns.
[[noreturn]] void Exe_Entry(void (*program)());

}  // namespace rt
