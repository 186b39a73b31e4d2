// Where the process aborted: the call of abort, rather than the routines
// that took it from there to the signal.
#pragma once

#include "base/registers.h"
#include "platform/fault_record.h"

namespace rt {

// A place to raise an error at: a return address, its frame, and the
// registers of the frame it returns from, which the report's walk steps
// from.
struct ErrorPlace {
  void* addr = nullptr;
  void* frame = nullptr;
  FrameRegisters below;
};

// The call of abort (in the program, or in the C library's check that found
// its heap broken) among the frames of the abort the outermost handler
// recorded; where no call of abort lies near, the call out of the frame the
// thread stood in. False where not even that can be walked to.
bool FindCallOfAbort(const platform::FaultRecord& abort, ErrorPlace& place);

}  // namespace rt
