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

}  // namespace rt
