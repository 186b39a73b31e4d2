// Installing the outermost handler of processor faults and of the process
// aborting, and the alternate stacks it runs on.
#pragma once

#include <cstddef>

#include "platform/platform.h"

namespace platform {

// Catches SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT, on the alternate
// stack of the thread they hit, and hands each to report.
void InstallFaultHandler(FaultReporter report);

// Gives the calling thread an alternate signal stack of its own, taken
// from the system, or the first thread's reserved one; false where the
// system has no memory for it. ReleaseAlternateStack gives it back.
bool TakeAlternateStack(bool first_thread);
void ReleaseAlternateStack();

}  // namespace platform
