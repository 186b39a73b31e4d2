// Byte-oriented files over the platform's file calls.
#include "runtime/file_io.h"

#include <string>

#include "console/io_result.h"
#include "platform/platform.h"

namespace rt {

namespace {

constexpr std::uint16_t kFileNotOpen = 103;

// False, with the code set, when the file cannot be used.
bool Ready(FileRec& f) {
  if (InOutRes != 0) return false;
  if (f.Mode == ModeClosed) {
    InOutRes = kFileNotOpen;
    return false;
  }
  return true;
}

void SetPlatformError() {
  InOutRes = platform::Errno2InOutRes(platform::GetLastError());
}

}  // namespace

void FileOpenRead(FileRec& f, std::string_view name) {
  if (InOutRes != 0) return;
  f = FileRec{};
  std::string path(name);  // the platform wants its terminating zero
  platform::Handle handle;
  if (!platform::OpenFileForReading(path.c_str(), handle)) {
    SetPlatformError();
    // A code of 0 would read as success.
    if (InOutRes == 0) InOutRes = 2;
    return;
  }
  f.Handle = handle;
  f.Mode = ModeInput;
}

std::int64_t FileSize(FileRec& f) {
  std::int64_t size = 0;
  if (Ready(f) && !platform::GetFileSize(f.Handle, size)) SetPlatformError();
  return size;
}

std::int64_t FilePos(FileRec& f) {
  std::int64_t position = 0;
  if (Ready(f) && !platform::GetFilePointer(f.Handle, position)) SetPlatformError();
  return position;
}

void FileSeek(FileRec& f, std::int64_t position) {
  if (Ready(f) && !platform::SetFilePointer(f.Handle, position)) SetPlatformError();
}

void BlockRead(FileRec& f, void* buffer, std::int64_t n, std::int64_t* count) {
  if (count != nullptr) *count = 0;
  if (!Ready(f)) return;
  std::uint8_t* to = static_cast<std::uint8_t*>(buffer);
  std::int64_t total = 0;
  // The platform may deliver less than asked before the end; only a read
  // of nothing is the end.
  while (total < n) {
    std::size_t got = 0;
    if (!platform::ReadFile(f.Handle, to + total, static_cast<std::size_t>(n - total), got)) {
      SetPlatformError();
      return;
    }
    if (got == 0) break;
    total += static_cast<std::int64_t>(got);
  }
  if (count != nullptr) {
    *count = total;
  } else if (total < n) {
    InOutRes = kReadPastEnd;
  }
}

void FileClose(FileRec& f) {
  if (!Ready(f)) return;
  f.Mode = ModeClosed;
  if (!platform::CloseHandle(f.Handle)) SetPlatformError();
  f.Handle = UnusedHandle;
}

}  // namespace rt
