// Installing the outermost handler of processor faults.
#pragma once

namespace platform {

// A vectored handler that takes processor faults only.
void InstallFaultHandler();

}  // namespace platform
