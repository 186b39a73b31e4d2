// What lies at an address, by the system's own query of the address space;
// and which thread is the first, by the one that prepared the process.
#include "platform/memory_query.h"

#include <windows.h>

namespace platform {

namespace {

constexpr DWORD kExecutable =
    PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kWritable =
    PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

DWORD first_thread = 0;

}  // namespace

MemoryRegion QueryMemory(std::uint64_t address) {
  MEMORY_BASIC_INFORMATION info = {};
  MemoryRegion region;
  if (::VirtualQuery(reinterpret_cast<const void*>(address), &info, sizeof info) == 0 ||
      info.State != MEM_COMMIT) {
    return region;
  }
  DWORD protect = info.Protect & 0xFF;
  region.mapped = true;
  region.guard = (info.Protect & PAGE_GUARD) != 0 || protect == PAGE_NOACCESS;
  region.readable = !region.guard;
  region.writable = !region.guard && (protect & kWritable) != 0;
  region.executable = !region.guard && (protect & kExecutable) != 0;
  region.image = info.Type == MEM_IMAGE;
  return region;
}

bool ReadMemory(std::uint64_t address, void* buffer, std::size_t n) {
  SIZE_T got = 0;
  return ::ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<const void*>(address), buffer,
                             n, &got) != 0 &&
         got == n;
}

// The runtime does not see the other threads start: they are told apart
// from the first, and no more.
ThreadOrigin CurrentThreadOrigin() {
  ThreadOrigin origin;
  origin.first = first_thread == 0 || ::GetCurrentThreadId() == first_thread;
  return origin;
}

void NoteFirstThread() {
  first_thread = ::GetCurrentThreadId();
}

}  // namespace platform
