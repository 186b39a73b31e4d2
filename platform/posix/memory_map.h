// The process's memory map, /proc/self/maps, read a line at a time with
// nothing but system calls: its readers may stand on a broken heap or run
// while a fault is reported.
#pragma once

#include <cstdint>

namespace platform::posix {

struct Mapping {
  std::uint64_t start = 0, end = 0;
  bool readable = false, writable = false, executable = false;
  bool file_backed = false;  // a nonzero inode: a module's file, not anonymous memory
  bool named_stack = false;  // the first thread's stack, named "[stack]"
};

// Hands each mapping in address order to `take` until it answers true.
// Returns whether one did; false also where the map cannot be read.
using MappingVisitor = bool (*)(const Mapping& mapping, void* context);
bool VisitMemoryMap(MappingVisitor take, void* context);

}  // namespace platform::posix
