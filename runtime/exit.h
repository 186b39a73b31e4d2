// The exit path, shared by the normal end and every run-time error.
#pragma once

#include <cstdint>

namespace rt {

// The exit code handed to the platform when the process ends.
extern std::int32_t operatingsystem_result;

// Finalises the units, writes the report of a pending run-time error, flushes
// the standard streams and ends the process. Entering it again from inside
// itself starts afresh without repeating finalisations already done.
[[noreturn]] void Do_Exit();
void InternalExit();
[[noreturn]] void System_Exit();

}  // namespace rt
