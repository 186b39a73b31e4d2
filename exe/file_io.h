// Byte-oriented files (record size 1), read by the executable reader. A
// failing operation leaves an I/O code in the file's own record, and every
// later operation on the file does nothing while it is set: the caller reads
// on without checking each step and asks the record once at the end.
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

// Opens the file for reading, sharing it with other readers and writers. A
// failed open leaves its code in the record, which stays closed.
void FileOpenRead(FileRec& f, std::string_view name);
std::int64_t FileSize(FileRec& f);
std::int64_t FilePos(FileRec& f);
void FileSeek(FileRec& f, std::int64_t position);
// Reads n bytes. With count, the number read is reported there; without, a
// short read leaves kReadPastEnd.
void BlockRead(FileRec& f, void* buffer, std::int64_t n, std::int64_t* count = nullptr);
// The same at a position, without moving the file's own position.
void BlockReadAt(FileRec& f, std::int64_t position, void* buffer, std::int64_t n,
                 std::int64_t* count = nullptr);
// Releases the handle of an open file, even while a code is set; a failing
// close leaves its code unless one is set already.
void FileClose(FileRec& f);

}  // namespace rt
