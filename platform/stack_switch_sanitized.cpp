// The address sanitizer keeps each thread's stack bounds: it learns of the
// switch as of a switch to a fiber that never returns.
#include <sanitizer/common_interface_defs.h>

#include "platform/stack_switch.h"

namespace platform {

void AnnounceStackSwitch(std::uint64_t bottom, std::uint64_t top) {
  __sanitizer_start_switch_fiber(nullptr, reinterpret_cast<const void*>(bottom), top - bottom);
}

void CompleteStackSwitch() {
  __sanitizer_finish_switch_fiber(nullptr, nullptr, nullptr);
}

}  // namespace platform
