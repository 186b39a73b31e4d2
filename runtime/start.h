// The process entry shared by every program on the runtime.
#pragma once

namespace rt {

// Prepares the process, clears the exit code and calls program through
// main_wrapper, whose frame carries the outermost handler: a fault below it
// is raised as a run-time error at the faulting instruction. The program ends through Do_Exit;
// should it return, the process ends with the exit code. Never returns.
[[noreturn]] void Exe_Entry(void (*program)());

}  // namespace rt
