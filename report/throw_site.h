// Where an exception that nothing caught was thrown: the handler that
// learns of it is called before any frame has been unwound (the search for
// a catch found none), so the frames of the throw are still on the stack.
#pragma once

#include "platform/unwound_frames.h"

namespace rt {

// The frame after the outermost of the C++ runtime's routines between a
// throw (or a call of std::terminate) and the caller of this: the call that
// threw, or that ended the program. False where no such routine lies near.
bool FindThrowSite(platform::UnwoundFrame& site);

}  // namespace rt
