// Installing the outermost handler of processor faults and of the process
// aborting.
#pragma once

#include "platform/platform.h"

namespace platform {

// A vectored handler that takes processor faults only, and a handler of
// the C library's abort signal; each hands what it recorded to report.
void InstallFaultHandler(FaultReporter report);

// Notes the calling thread as the process's first (memory_query.cpp).
void NoteFirstThread();

}  // namespace platform
