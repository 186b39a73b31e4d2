// A Windows x64 thread context and the walk's registers, which number them
// as the processor's DWARF numbering does.
#pragma once

#include <windows.h>

#include "platform/walk.h"

namespace platform {

// Every general register and rip of the context.
rt::FrameRegisters RegistersOfContext(const CONTEXT& context);
// The known registers into a context; the rest are 0.
void ContextOfRegisters(const rt::FrameRegisters& registers, CONTEXT& context);
// The caller's registers once the platform's unwinder has stepped to
// context: what a call preserves of those the callee knew, and the stack
// pointer and pc the step gave it.
rt::FrameRegisters CallerOfContext(const rt::FrameRegisters& callee, const CONTEXT& context);

}  // namespace platform
