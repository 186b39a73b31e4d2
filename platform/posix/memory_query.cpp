// What lies at an address, from the process's memory map, and its bytes
// read by a call that cannot fault.
#include "platform/memory_query.h"

#include <sys/uio.h>
#include <unistd.h>

#include "platform/posix/memory_map.h"

namespace platform {

namespace {

struct Query {
  std::uint64_t address;
  MemoryRegion region;
};

bool TakeIfHolds(const posix::Mapping& mapping, void* context) {
  Query& query = *static_cast<Query*>(context);
  if (query.address < mapping.start || query.address >= mapping.end) return false;
  MemoryRegion& region = query.region;
  region.mapped = true;
  region.readable = mapping.readable;
  region.writable = mapping.writable;
  region.executable = mapping.executable;
  region.image = mapping.file_backed;
  region.guard = !mapping.readable && !mapping.writable && !mapping.executable;
  return true;
}

}  // namespace

bool ReadMemory(std::uint64_t address, void* buffer, std::size_t n) {
  iovec local = {buffer, n};
  iovec remote = {reinterpret_cast<void*>(address), n};
  ssize_t got = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
  return got >= 0 && static_cast<std::size_t>(got) == n;
}

MemoryRegion QueryMemory(std::uint64_t address) {
  Query query{address, {}};
  posix::VisitMemoryMap(TakeIfHolds, &query);
  return query.region;
}

}  // namespace platform
