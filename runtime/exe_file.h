// Reading executable files as data: which format a file is in, where its
// named sections lie, and the separate debug file it may name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/file_io.h"

namespace rt {

struct TExeFile;

// One executable format: the check made right after opening, and the
// lookup of a named section's file offset and length.
struct ExeFormat {
  bool (*open)(TExeFile& exe);
  bool (*find_section)(TExeFile& exe, std::string_view name, std::int64_t& offset,
                       std::int64_t& length);
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
  std::uint64_t processaddress = 0;  // the image base; later the load delta
  const ExeFormat* format = nullptr;
  std::string filename;
  std::uint8_t buf[kBufferSize];
};

// The module holding a code address: its load address and its file.
void GetModuleByAddr(const void* addr, std::uintptr_t& base, std::string& name);

// Opens the file and checks that it is an executable of a known format.
// False for a file that cannot be opened or is not an image.
bool OpenExeFile(TExeFile& exe, std::string_view name);
// True when a file was open and has been closed.
bool CloseExeFile(TExeFile& exe);
// The file offset and length of the first section of that name.
bool FindExeSection(TExeFile& exe, std::string_view name, std::int64_t& offset,
                    std::int64_t& length);

// Reads n bytes at a file offset into buffer. False, without reading, when
// the range does not lie inside the file; a failing read is a run-time
// error through the I/O check.
bool ReadExeBytes(TExeFile& exe, std::int64_t offset, void* buffer, std::int64_t n);

bool OpenPEPlusCOFF(TExeFile& exe);
bool FindSectionCOFF(TExeFile& exe, std::string_view name, std::int64_t& offset,
                     std::int64_t& length);
bool OpenElf64(TExeFile& exe);
bool FindSectionElf64(TExeFile& exe, std::string_view name, std::int64_t& offset,
                      std::int64_t& length);

// The separate debug file named by the ".gnu_debuglink" section, accepted
// only when its CRC-32 matches.
bool ReadDebugLink(TExeFile& exe, std::string& name);
bool CheckDbgFile(TExeFile& exe, std::string_view name, std::uint32_t crc);

// CRC-32 (reflected polynomial 0xEDB88320); a whole file's starts from 0.
std::uint32_t UpdateCRC32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t n);

}  // namespace rt
