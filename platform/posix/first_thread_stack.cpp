// The first thread's stack bounds, read from the process's memory map with
// nothing but system calls: the fault handler learns them only when a
// report needs them, and may then stand on a broken heap.
#include <errno.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/posix/thread_stack.h"

namespace platform::posix {

namespace {

// One line of /proc/self/maps at a time, a character at a time: the
// mapping's bounds, and whether its name is "[stack]".
class MapLineScan {
 public:
  // Whether the line just ended named the stack.
  bool Take(char c) {
    if (c == '\n') {
      bool stack =
          tail_length_ == kName.size() && std::memcmp(tail_, kName.data(), kName.size()) == 0;
      if (stack)
        stack_end_ = end_;
      else
        previous_end_ = end_;
      field_ = 0;
      start_ = end_ = 0;
      tail_length_ = 0;
      return stack;
    }
    if (field_ < 2) {
      if (c == (field_ == 0 ? '-' : ' ')) {
        ++field_;
      } else {
        std::uint64_t& value = field_ == 0 ? start_ : end_;
        value = value << 4 | Digit(c);
      }
      return false;
    }
    // Keeps the line's last characters, where the name ends.
    if (tail_length_ == kName.size()) {
      std::memmove(tail_, tail_ + 1, kName.size() - 1);
      --tail_length_;
    }
    tail_[tail_length_++] = c;
    return false;
  }

  std::uint64_t stack_end() const { return stack_end_; }
  std::uint64_t previous_end() const { return previous_end_; }

 private:
  static constexpr std::string_view kName = "[stack]";

  static std::uint64_t Digit(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint64_t>(c - 'a' + 10);
    return 0;
  }

  int field_ = 0;  // 0: start, 1: end, 2: the rest of the line
  std::uint64_t start_ = 0, end_ = 0, previous_end_ = 0, stack_end_ = 0;
  char tail_[kName.size()] = {};
  std::size_t tail_length_ = 0;
};

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
  int file = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  MapLineScan scan;
  char buffer[1024];
  bool found = false;
  while (!found) {
    ssize_t got = read(file, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; !found && i < got; ++i) found = scan.Take(buffer[i]);
  }
  close(file);
  if (!found || scan.stack_end() <= scan.previous_end()) return false;
  stack.top = scan.stack_end();
  stack.limit = LowestAddress(scan.stack_end(), scan.previous_end());
  return true;
}

}  // namespace platform::posix
