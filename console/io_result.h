// The pending I/O error code and the check that turns it into a run-time error.
#pragma once

#include <cstdint>

namespace rt {

// 0 while nothing is pending. While a code is pending, every console
// operation does nothing.
extern thread_local std::uint16_t InOutRes;

// Returns the pending code and clears it.
std::uint16_t IOResult();

// Returns while no code is pending; otherwise ends the program with a
// run-time error placed at the call of the check.
void CheckIOResult();

// What the check hands a pending code to: a routine that never returns,
// given the code, an address inside the check and the check's own frame
// address (the error belongs to the check's caller). The runtime installs
// its own at start-up; until then a pending code ends the process with the
// code as its exit status and no report.
using IoErrorHandler = void (*)(std::int32_t code, void* addr, void* frame);
void SetIoErrorHandler(IoErrorHandler handler);

}  // namespace rt
