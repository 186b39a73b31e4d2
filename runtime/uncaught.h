// The end of a program whose exception nothing catches.
#pragma once

namespace rt {

// From now on std::terminate ends the program with run-time error 255 (an
// exception that nothing catches is neither a processor fault nor one of the
// runtime's own errors), placed at the call that threw: the report names the
// line of the throw and of the calls that led to it.
void InstallTerminateHandler();

}  // namespace rt
