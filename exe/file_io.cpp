// Byte-oriented files over the platform's file calls.
#include "exe/file_io.h"

#include <memory_resource>
#include <string>

#include "base/error_numbers.h"

namespace rt {

namespace {

// False, with the code set, when the file cannot be used.
bool Ready(FileRec& f) {
  if (f.error != 0) return false;
  if (f.mode == ModeClosed) {
    f.error = kFileNotOpen;
    return false;
  }
  return true;
}

// Records a failed call; true when the call succeeded.
bool Succeeded(FileRec& f, platform::ErrorNumber error) {
  if (error == platform::kNoError) return true;
  if (f.error == 0) f.error = platform::Errno2InOutRes(error);
  // A code of 0 would read as success.
  if (f.error == 0) f.error = kFileNotFound;
  return false;
}

}  // namespace

void FileOpenRead(FileRec& f, std::string_view name) {
  f = FileRec{};
  std::pmr::string path(name);  // the platform wants its terminating zero
  platform::Handle handle;
  if (!Succeeded(f, platform::OpenFileForReading(path.c_str(), handle))) return;
  f.handle = handle;
  f.mode = ModeInput;
}

std::int64_t FileSize(FileRec& f) {
  std::int64_t size = 0;
  if (Ready(f) && !Succeeded(f, platform::GetFileSize(f.handle, size))) size = 0;
  return size;
}

std::int64_t FileWriteTime(FileRec& f) {
  std::int64_t time = INT64_MAX;
  if (Ready(f) && !Succeeded(f, platform::GetFileWriteTime(f.handle, time))) time = INT64_MAX;
  return time;
}

void BlockReadAt(FileRec& f, std::int64_t position, void* buffer, std::int64_t n,
                 std::int64_t* count) {
  if (count != nullptr) *count = 0;
  if (!Ready(f)) return;
  if (position < 0) {
    f.error = kReadPastEnd;
    return;
  }
  std::uint8_t* to = static_cast<std::uint8_t*>(buffer);
  std::int64_t total = 0;
  // The platform may deliver less than asked before the end; only a read
  // of nothing is the end.
  while (total < n) {
    std::size_t got = 0;
    std::size_t want = static_cast<std::size_t>(n - total);
    if (!Succeeded(f, platform::ReadFileAt(f.handle, position + total, to + total, want, got))) {
      return;
    }
    if (got == 0) break;
    total += static_cast<std::int64_t>(got);
  }
  if (count != nullptr) {
    *count = total;
  } else if (total < n) {
    f.error = kReadPastEnd;
  }
}

void FileClose(FileRec& f) {
  if (f.mode == ModeClosed) {
    if (f.error == 0) f.error = kFileNotOpen;
    return;
  }
  f.mode = ModeClosed;
  Succeeded(f, platform::CloseHandle(f.handle));
  f.handle = UnusedHandle;
}

}  // namespace rt
