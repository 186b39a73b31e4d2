// What the report asks the system about an address and about the thread it
// runs on, to say in words why the program ended. Asked after the fault
// handler has returned, never inside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// What lies at an address of the process.
struct MemoryRegion {
  bool mapped = false;
  bool readable = false, writable = false, executable = false;
  bool image = false;  // a mapping of a module's file (its code or constants)
  bool guard = false;  // a guard page (Windows marks them; elsewhere an inaccessible mapping)
};
MemoryRegion QueryMemory(std::uint64_t address);

// Where the calling thread came from: the process's first thread, or one
// that another started, named by the return addresses of the call that
// started it, innermost first, where the runtime saw the start.
struct ThreadOrigin {
  static constexpr int kMaxCallers = 8;
  bool first = true;
  int count = 0;
  std::uint64_t callers[kMaxCallers] = {};
};
ThreadOrigin CurrentThreadOrigin();

// Copies n bytes of the process's memory at address into buffer, by a call
// of the system that fails rather than faults where the memory cannot be
// read; false then.
bool ReadMemory(std::uint64_t address, void* buffer, std::size_t n);

}  // namespace platform
