// Standard handles, reads and writes on file descriptors.
#include <errno.h>
#include <unistd.h>

#include "base/every_run.h"
#include "platform/platform.h"

namespace platform {

QUIZ_EVERY_RUN Handle GetStdHandle(StdHandleKind kind) {
  switch (kind) {
    case StdHandleKind::kInput:
      return STDIN_FILENO;
    case StdHandleKind::kOutput:
      return STDOUT_FILENO;
    case StdHandleKind::kError:
      return STDERR_FILENO;
  }
  return -1;
}

ErrorNumber ReadFile(Handle handle, void* buffer, std::size_t n, std::size_t& count) {
  count = 0;
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle), buffer, n);
    if (got >= 0) {
      count = static_cast<std::size_t>(got);
      return kNoError;
    }
    if (errno != EINTR) return static_cast<ErrorNumber>(errno);
  }
}

// Continues after a partial write, so a short count only ever comes with a
// failure: the caller sees one complete transfer or an error.
ErrorNumber WriteFile(Handle handle, const void* bytes, std::size_t n, std::size_t& count) {
  const char* p = static_cast<const char*>(bytes);
  count = 0;
  while (count < n) {
    ssize_t put = ::write(static_cast<int>(handle), p + count, n - count);
    if (put > 0) {
      count += static_cast<std::size_t>(put);
    } else if (put < 0 && errno == EINTR) {
      continue;
    } else {
      // A write that takes nothing without an error would loop for ever;
      // treat it as a device that has no room.
      return static_cast<ErrorNumber>(put < 0 ? errno : ENOSPC);
    }
  }
  return kNoError;
}

// A read end without a writer reads as end of file here, never as an error.
bool IsBrokenPipe(ErrorNumber) {
  return false;
}

// No console modes on POSIX terminals.
bool GetConsoleMode(Handle) {
  return false;
}

}  // namespace platform
