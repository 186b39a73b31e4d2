// The floating-point unit's start-up state, on every processor.
#pragma once

namespace platform {

// Loads the floating-point control values the runtime starts with: invalid
// operations, division by zero and overflow raise processor exceptions where
// the processor can trap them. Safe in a signal handler.
void ResetFloatingPointUnit();

}  // namespace platform
