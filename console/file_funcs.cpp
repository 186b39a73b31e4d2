// Transfers between a stream's buffer and its platform handle.
#include "console/file_funcs.h"

#include "base/code_pages.h"
#include "base/error_numbers.h"
#include "base/every_run.h"
#include "console/io_result.h"

namespace rt {

std::int64_t Do_Write(platform::Handle handle, const std::uint8_t* bytes, std::int64_t n) {
  std::size_t written = 0;
  platform::ErrorNumber error =
      platform::WriteFile(handle, bytes, static_cast<std::size_t>(n), written);
  if (error != platform::kNoError) {
    InOutRes = platform::Errno2InOutRes(error);
    return 0;
  }
  if (static_cast<std::int64_t>(written) < n && platform::GetConsoleMode(handle) &&
      IsMultiUnitCodePage(platform::GetConsoleOutputCP())) {
    return n;
  }
  return static_cast<std::int64_t>(written);
}

std::int64_t Do_Read(platform::Handle handle, std::uint8_t* bytes, std::int64_t n) {
  std::size_t count = 0;
  platform::ErrorNumber error =
      platform::ReadFile(handle, bytes, static_cast<std::size_t>(n), count);
  if (error != platform::kNoError) {
    if (!platform::IsBrokenPipe(error)) InOutRes = platform::Errno2InOutRes(error);
    return 0;
  }
  return static_cast<std::int64_t>(count);
}

// Drain. Bytes the platform did not take are dropped, and whatever the
// platform said, a short transfer is a failed write.
QUIZ_EVERY_RUN void FileWriteFunc(TextRec& t) {
  if (t.BufferPos == 0) return;
  std::int64_t written = Do_Write(t.Handle, t.BufferPtr, t.BufferPos);
  if (written != t.BufferPos) InOutRes = kDiskFull;
  t.BufferPos = 0;
}

// Refill.
void FileReadFunc(TextRec& t) {
  t.BufferEnd = Do_Read(t.Handle, t.BufferPtr, t.BufferSize);
  t.BufferPos = 0;
}

// Named files are opened elsewhere; the standard streams never reach these.
void FileOpenFunc(TextRec&) {}
void FileCloseFunc(TextRec& t) {
  t.Mode = ModeClosed;
}

}  // namespace rt
