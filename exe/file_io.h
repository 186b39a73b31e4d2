// Byte-oriented files (record size 1), read by the executable reader. A
// failing operation leaves an I/O code in the file's own record, and every
// later operation on the file does nothing while it is set: the reader reads
// on without checking each step, and what it answers carries the code.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/file_modes.h"
#include "platform/platform.h"

namespace rt {

struct FileRec {
  platform::Handle handle = UnusedHandle;
  std::int32_t mode = ModeClosed;
  std::uint16_t error = 0;  // the first failure's I/O code; 0 while none
};

// What an operation on a file came to: true or false as its name says, and
// the I/O code of a read that failed on the way (0 for none), which makes
// the answer false.
struct FileResult {
  bool ok = false;
  std::uint16_t io_error = 0;

  explicit operator bool() const { return ok; }
};

// The answer of an operation on f that came to ok, unless a read failed.
inline FileResult ResultOf(const FileRec& f, bool ok) {
  return {ok && f.error == 0, f.error};
}

// Opens the file for reading, sharing it with other readers and writers. A
// failed open leaves its code in the record, which stays closed.
void FileOpenRead(FileRec& f, std::string_view name);
std::int64_t FileSize(FileRec& f);
// When the open file was last written, in the system's units; INT64_MAX
// where that cannot be told.
std::int64_t FileWriteTime(FileRec& f);
// Reads n bytes at a position. With count, the number read is reported
// there; without, a short read leaves kReadPastEnd.
void BlockReadAt(FileRec& f, std::int64_t position, void* buffer, std::int64_t n,
                 std::int64_t* count = nullptr);
// Releases the handle of an open file, even while a code is set; a failing
// close leaves its code unless one is set already.
void FileClose(FileRec& f);

}  // namespace rt
