// Not yet: the walk steps by call-frame information and frame records.
#include "platform/walk.h"

namespace platform {

PlatformStep StepByPlatformUnwinder(WalkRegisters&, std::uint64_t&) {
  return PlatformStep::kUnavailable;
}

}  // namespace platform
