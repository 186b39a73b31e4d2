// What lies at an address, from the process's memory map, read with
// nothing but system calls: the report may stand on a broken heap.
#include "platform/memory_query.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>

namespace platform {

namespace {

// One line of /proc/self/maps at a time, a character at a time: the
// mapping's bounds, its permissions and whether a file backs it.
class MapLineScan {
 public:
  explicit MapLineScan(std::uint64_t address) : address_(address) {}

  // Whether the line just ended holds the address; region then describes it.
  bool Take(char c) {
    if (c == '\n') return EndLine();
    if (c == ' ') {
      ++field_;
      return false;
    }
    if (field_ == 0 && c == '-') {
      dash_ = true;
    } else if (field_ == 0) {
      std::uint64_t& value = dash_ ? end_ : start_;
      value = value << 4 | Digit(c);
    } else if (field_ == 1) {
      TakePermission(c);
    } else if (field_ == 4) {
      inode_ = inode_ || c != '0';
    }
    return false;
  }

  const MemoryRegion& region() const { return region_; }

 private:
  static std::uint64_t Digit(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint64_t>(c - 'a' + 10);
    return 0;
  }

  void TakePermission(char c) {
    if (c == 'r') line_.readable = true;
    if (c == 'w') line_.writable = true;
    if (c == 'x') line_.executable = true;
  }

  bool EndLine() {
    bool holds = address_ >= start_ && address_ < end_;
    if (holds) {
      region_ = line_;
      region_.mapped = true;
      region_.image = inode_;
      region_.guard = !line_.readable && !line_.writable && !line_.executable;
    }
    line_ = {};
    field_ = 0;
    dash_ = inode_ = false;
    start_ = end_ = 0;
    return holds;
  }

  std::uint64_t address_;
  int field_ = 0;  // 0: bounds, 1: permissions, 4: inode
  bool dash_ = false, inode_ = false;
  std::uint64_t start_ = 0, end_ = 0;
  MemoryRegion line_, region_;
};

}  // namespace

MemoryRegion QueryMemory(std::uint64_t address) {
  int file = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (file < 0) return {};
  MapLineScan scan(address);
  char buffer[1024];
  bool found = false;
  while (!found) {
    ssize_t got = read(file, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; !found && i < got; ++i) found = scan.Take(buffer[i]);
  }
  close(file);
  return scan.region();
}

}  // namespace platform
