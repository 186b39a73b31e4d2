// Installing the outermost handler of processor faults.
#pragma once

namespace platform {

// Catches SIGSEGV, SIGBUS, SIGFPE and SIGILL on an alternate stack.
void InstallFaultHandler();

}  // namespace platform
