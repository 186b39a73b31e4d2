// Where an exception that nothing caught was thrown: the handler that
// learns of it is called before any frame has been unwound (the search for
// a catch found none), so the frames of the throw are still on the stack.
#pragma once

#include "platform/unwound_frames.h"

namespace rt {

// The frame after the outermost of the C++ runtime's routines between a
// throw (or a call of std::terminate) and the caller of this: the call that
// threw, or that ended the program. False where no such routine lies near.
// facts, where given, learns on the way whether the exception left a
// function that may not throw (the search for a catch ended there, in the
// C++ runtime's personality routine) and whether a pure virtual function
// was called.
struct ThrowFacts {
  bool left_noexcept = false;
  bool pure_virtual = false;
};
bool FindThrowSite(platform::UnwoundFrame& site, ThrowFacts* facts = nullptr);

}  // namespace rt
