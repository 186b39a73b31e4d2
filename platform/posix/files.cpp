// Byte-oriented files on file descriptors.
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"

namespace platform {

namespace {

ErrorNumber LastError() {
  return static_cast<ErrorNumber>(errno);
}

}  // namespace

// Only regular files: a name may come from a file being read, and a
// directory, a pipe or a device would fail later, block, or never end.
ErrorNumber OpenFileForReading(const char* name, Handle& handle) {
  int fd;
  do {
    fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastError();
  struct stat st;
  int error = ::fstat(fd, &st) != 0  ? errno
              : S_ISDIR(st.st_mode)  ? EISDIR
              : !S_ISREG(st.st_mode) ? EACCES
                                     : 0;
  if (error != 0) {
    ::close(fd);
    return static_cast<ErrorNumber>(error);
  }
  handle = fd;
  return kNoError;
}

ErrorNumber GetFileSize(Handle handle, std::int64_t& size) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0) return LastError();
  size = st.st_size;
  return kNoError;
}

ErrorNumber ReadFileAt(Handle handle, std::int64_t position, void* buffer, std::size_t n,
                       std::size_t& count) {
  count = 0;
  for (;;) {
    ssize_t got = ::pread(static_cast<int>(handle), buffer, n, position);
    if (got >= 0) {
      count = static_cast<std::size_t>(got);
      return kNoError;
    }
    if (errno != EINTR) return LastError();
  }
}

// The descriptor is released even when close reports an interruption.
ErrorNumber GetFileWriteTime(Handle handle, std::int64_t& time) {
  struct stat st;
  if (::fstat(static_cast<int>(handle), &st) != 0) return LastError();
  time = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return kNoError;
}

bool IsTerminal(Handle handle) {
  return ::isatty(static_cast<int>(handle)) == 1;
}

bool IsEnvironmentSet(const char* name) {
  const char* value = ::getenv(name);
  return value != nullptr && value[0] != '\0';
}

ErrorNumber CloseHandle(Handle handle) {
  if (::close(static_cast<int>(handle)) != 0 && errno != EINTR) return LastError();
  return kNoError;
}

}  // namespace platform
