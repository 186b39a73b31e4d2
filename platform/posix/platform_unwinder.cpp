// POSIX systems offer no unwinder of their own that the walk may call from
// a frame's registers: the walk reads the modules' call-frame information.
#include "platform/walk.h"

namespace platform {

PlatformStep StepByPlatformUnwinder(rt::FrameRegisters&, std::uint64_t&) {
  return PlatformStep::kUnavailable;
}

bool RoutineEntryByPlatform(std::uint64_t, std::uint64_t&) {
  return false;
}

}  // namespace platform
