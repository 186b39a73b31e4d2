// The core runtime's unit, entry 1 of every unit table.
#pragma once

namespace rt {

// The runtime's start-up: failed console operations become run-time errors,
// refused memory too, and the calling thread's standard streams open.
void InitCoreRuntime();

}  // namespace rt
