// A Windows x64 thread context and the walk's registers, which number them
// as the processor's DWARF numbering does.
#pragma once

#include <windows.h>

#include "platform/walk.h"

namespace platform {

// Every general register and rip of the context.
WalkRegisters RegistersOfContext(const CONTEXT& context);
// The known registers into a context; the rest are 0.
void ContextOfRegisters(const WalkRegisters& registers, CONTEXT& context);

}  // namespace platform
