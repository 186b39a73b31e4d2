// Parses /proc/self/maps a character at a time, so that no line needs
// storage of its own: "start-end perms offset device inode   name".
#include "platform/posix/memory_map.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

namespace platform::posix {

namespace {

class MapLineScan {
 public:
  // Whether a line ended with this character; mapping() then describes it.
  bool Take(char c) {
    if (c == '\n') return EndLine();
    KeepTail(c);
    if (c == ' ') {
      ++field_;
    } else if (field_ == 0 && c == '-') {
      dash_ = true;
    } else if (field_ == 0) {
      std::uint64_t& value = dash_ ? line_.end : line_.start;
      value = value << 4 | Digit(c);
    } else if (field_ == 1) {
      line_.readable = line_.readable || c == 'r';
      line_.writable = line_.writable || c == 'w';
      line_.executable = line_.executable || c == 'x';
    } else if (field_ == 4) {
      line_.file_backed = line_.file_backed || c != '0';
    }
    return false;
  }

  const Mapping& mapping() const { return mapping_; }

 private:
  static constexpr std::string_view kStackName = "[stack]";

  static std::uint64_t Digit(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint64_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint64_t>(c - 'a' + 10);
    return 0;
  }

  // Keeps the line's last characters, where the name ends.
  void KeepTail(char c) {
    if (tail_length_ == kStackName.size()) {
      std::memmove(tail_, tail_ + 1, kStackName.size() - 1);
      --tail_length_;
    }
    tail_[tail_length_++] = c;
  }

  bool EndLine() {
    mapping_ = line_;
    mapping_.named_stack = tail_length_ == kStackName.size() &&
                           std::memcmp(tail_, kStackName.data(), kStackName.size()) == 0;
    line_ = {};
    field_ = 0;
    dash_ = false;
    tail_length_ = 0;
    return true;
  }

  int field_ = 0;  // 0: bounds, 1: permissions, 4: inode
  bool dash_ = false;
  Mapping line_, mapping_;
  char tail_[kStackName.size()] = {};
  std::size_t tail_length_ = 0;
};

}  // namespace

bool VisitMemoryMap(MappingVisitor take, void* context) {
  int file = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
  if (file < 0) return false;
  MapLineScan scan;
  char buffer[1024];
  bool found = false;
  while (!found) {
    ssize_t got = read(file, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; !found && i < got; ++i)
      found = scan.Take(buffer[i]) && take(scan.mapping(), context);
  }
  close(file);
  return found;
}

}  // namespace platform::posix
