// What lies at an address, from the process's memory map, and its bytes
// read by a call that cannot fault.
#include "platform/memory_query.h"

#include <errno.h>
#include <fcntl.h>
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

// Where the system has no process_vm_readv (qemu-user, some sandboxes), the
// bytes pass through a pipe of the process's own: a write from memory that
// cannot be read fails as well, rather than faulting.
bool ReadThroughPipe(std::uint64_t address, void* buffer, std::size_t n) {
  static int ends[2] = {-1, -1};
  if (ends[0] < 0 && ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  auto* to = static_cast<char*>(buffer);
  for (std::size_t done = 0; done < n;) {
    std::size_t part = n - done < 4096 ? n - done : 4096;
    ssize_t wrote = ::write(ends[1], reinterpret_cast<const void*>(address + done), part);
    if (wrote <= 0) return false;
    ssize_t got = ::read(ends[0], to + done, static_cast<std::size_t>(wrote));
    if (got != wrote) {
      // Whatever is left would stand before the next read's bytes.
      while (::read(ends[0], to, n) > 0) {
      }
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace

bool ReadMemory(std::uint64_t address, void* buffer, std::size_t n) {
  iovec local = {buffer, n};
  iovec remote = {reinterpret_cast<void*>(address), n};
  ssize_t got = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
  if (got < 0 && (errno == ENOSYS || errno == EPERM)) return ReadThroughPipe(address, buffer, n);
  return got >= 0 && static_cast<std::size_t>(got) == n;
}

MemoryRegion QueryMemory(std::uint64_t address) {
  Query query{address, {}};
  posix::VisitMemoryMap(TakeIfHolds, &query);
  return query.region;
}

}  // namespace platform
