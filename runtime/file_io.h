// The runtime's byte-oriented files (record size 1). Like the console
// streams, no operation returns a failure: a failing one leaves a code in
// InOutRes, and every operation does nothing while a code is pending.
#pragma once

#include <cstdint>
#include <string_view>

#include "console/text_rec.h"

namespace rt {

struct FileRec {
  platform::Handle Handle = UnusedHandle;
  std::int32_t Mode = ModeClosed;
  std::int64_t RecSize = 1;
};

// Code left by a read that delivers fewer bytes than asked for, when the
// caller did not ask for the count.
constexpr std::uint16_t kReadPastEnd = 100;

// Opens the file for reading, sharing it with other readers and writers. A
// failed open leaves its code for IOResult.
void FileOpenRead(FileRec& f, std::string_view name);
std::int64_t FileSize(FileRec& f);
std::int64_t FilePos(FileRec& f);
void FileSeek(FileRec& f, std::int64_t position);
// Reads n bytes. With count, the number read is reported there; without, a
// short read leaves code 100.
void BlockRead(FileRec& f, void* buffer, std::int64_t n, std::int64_t* count = nullptr);
void FileClose(FileRec& f);

}  // namespace rt
