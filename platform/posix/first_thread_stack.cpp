// The first thread's stack bounds, read from the process's memory map with
// nothing but system calls: the fault handler learns them only when a
// report needs them, and may then stand on a broken heap.
#include <sys/resource.h>

#include <cstdint>

#include "platform/posix/memory_map.h"
#include "platform/posix/thread_stack.h"

namespace platform::posix {

namespace {

// The mapping named "[stack]" and the end of the one below it.
struct StackSearch {
  std::uint64_t previous_end = 0, stack_end = 0;
};

bool TakeIfStack(const Mapping& mapping, void* context) {
  StackSearch& search = *static_cast<StackSearch*>(context);
  if (mapping.named_stack) {
    search.stack_end = mapping.end;
    return true;
  }
  search.previous_end = mapping.end;
  return false;
}

// The stack may grow down to its size limit, and never into the mapping
// below it.
std::uint64_t LowestAddress(std::uint64_t top, std::uint64_t below) {
  rlimit limit = {};
  std::uint64_t size = top - below;
  if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < size) {
    size = limit.rlim_cur;
  }
  return top - size;
}

}  // namespace

bool ReadFirstThreadStack(ThreadStack& stack) {
  StackSearch search;
  if (!VisitMemoryMap(TakeIfStack, &search) || search.stack_end <= search.previous_end)
    return false;
  stack.top = search.stack_end;
  stack.limit = LowestAddress(search.stack_end, search.previous_end);
  return true;
}

}  // namespace platform::posix
