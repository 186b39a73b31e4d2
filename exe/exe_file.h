// Reading executable files as data: which format a file is in and where its
// named sections lie. No operation ends the process: a failed read leaves
// its I/O code in the record's file (`f.error`), and every later read of the
// record then answers false, so the caller asks once what went wrong.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "exe/file_io.h"

namespace rt {

struct TExeFile;

// Where a section's bytes are stored in the file: they lie wholly inside
// it. A compressed section's bytes start with the format's own header.
struct StoredSection {
  std::int64_t offset = 0;
  std::int64_t length = 0;
  bool compressed = false;
};

// One executable format: the check made right after opening, and the
// lookup of the first section of a name.
struct ExeFormat {
  bool (*open)(TExeFile& exe);
  bool (*find_section)(TExeFile& exe, std::string_view name, StoredSection& section);
};

struct TExeFile {
  static constexpr std::int64_t kBufferSize = 4096;

  FileRec f;
  std::int64_t size = 0;
  bool isopen = false;
  std::int64_t nsects = 0;
  std::int64_t sechdrofs = 0;        // file offset of the first section header
  std::int64_t secstrofs = 0;        // file offset of the section-name strings
  std::int64_t secstrlen = 0;        // their length, where the format records it
  std::uint64_t processaddress = 0;  // the image base the file was linked for
  const ExeFormat* format = nullptr;
  std::string filename;
  std::uint8_t buf[kBufferSize];
};

// Opens the file and checks that it is an executable of a known format.
// False for a file that cannot be opened (no code is left: that is a plain
// answer), is not an image, or fails a read (its code is left).
bool OpenExeFile(TExeFile& exe, std::string_view name);
// True when a file was open and has been closed.
bool CloseExeFile(TExeFile& exe);
// The file offset and length of the first section of that name, when it
// holds its bytes in the file, stored plainly.
bool FindExeSection(TExeFile& exe, std::string_view name, std::int64_t& offset,
                    std::int64_t& length);
// The first section of that name that holds its bytes in the file, stored
// plainly or compressed.
bool FindStoredSection(TExeFile& exe, std::string_view name, StoredSection& section);

// Reads n bytes at a file offset into buffer. False, without reading, when
// the range does not lie inside the file; false when the read fails.
bool ReadExeBytes(TExeFile& exe, std::int64_t offset, void* buffer, std::int64_t n);

}  // namespace rt
