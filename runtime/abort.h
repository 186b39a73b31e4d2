// The process aborting as a run-time error.
#pragma once

#include <cstdint>

#include "platform/fault_record.h"

namespace rt {

// Raises the abort the outermost handler recorded at the call of abort (in
// the program, or in the C library's check that found its heap broken)
// rather than in the routines that took it from there to the signal; where
// no call of abort lies near, at the call out of the frame the thread stood
// in. Returns where not even that can be walked to.
void RaiseAtCallOfAbort(std::uint16_t code, const platform::FaultRecord& abort);

}  // namespace rt
