// The heap's answer to memory the platform refuses.
#pragma once

namespace rt {

// From now on an allocation that the platform refuses is run-time error 203.
void InstallHeapErrorHandler();

}  // namespace rt
