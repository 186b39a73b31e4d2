// Transfers between a stream's buffer and its platform handle.
#include "console/io_result.h"
#include "console/text_rec.h"

namespace rt {

namespace {

// Console output code pages whose writes may report fewer bytes than were
// taken: the count is in converted units, not in our bytes.
bool IsMultiUnitCodePage(std::uint16_t cp) {
  return cp == 1200 || cp == 1201 || cp == 12000 || cp == 12001 || cp == 65000 || cp == 65001;
}

}  // namespace

std::int64_t Do_Write(platform::Handle handle, const std::uint8_t* bytes, std::int64_t n) {
  std::size_t written = 0;
  if (!platform::WriteFile(handle, bytes, static_cast<std::size_t>(n), written)) {
    InOutRes = platform::Errno2InOutRes(platform::GetLastError());
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
  if (!platform::ReadFile(handle, bytes, static_cast<std::size_t>(n), count)) {
    std::uint32_t error = platform::GetLastError();
    if (!platform::IsBrokenPipe(error)) InOutRes = platform::Errno2InOutRes(error);
    return 0;
  }
  return static_cast<std::int64_t>(count);
}

// Drain. Bytes the platform did not take are dropped, and whatever the
// platform said, a short transfer is code 101.
void FileWriteFunc(TextRec& t) {
  if (t.BufferPos == 0) return;
  std::int64_t written = Do_Write(t.Handle, t.BufferPtr, t.BufferPos);
  if (written != t.BufferPos) InOutRes = 101;
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
