// Reading executable files as data: which format a file is in and where its
// named sections lie. No operation ends the process: each answers, with its
// result, the I/O code of a read that failed (see FileResult); after one,
// every later read of the file answers false with the same code.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>

#include "exe/compressed/decoder.h"
#include "exe/file_io.h"

namespace rt {

struct TExeFile;

// A section as the file stores it; its stored bytes lie wholly inside the
// file, and those of a compressed section follow its compression header.
struct ExeSection {
  std::int64_t offset = 0;  // file offset of the stored bytes
  std::int64_t length = 0;  // their count
  Compression compression = Compression::kNone;
  std::int64_t size = 0;  // the bytes it holds once decompressed; length when stored plainly
  // The address the section is linked at (0 for one not loaded): call-frame
  // pointers count from it.
  std::uint64_t address = 0;
};

// Where a symbol's name lies in the file: from offset, ending at a NUL
// within limit bytes; where the format lets a name fill its field, the
// limit may end it instead.
struct ExeNamePlace {
  std::int64_t offset = 0;
  std::int64_t limit = 0;
  bool fills_field = false;
};

// One executable format: the check made right after opening, the lookup of
// the first section of a name (its place in the file, and for a section the
// format marks compressed, the method and the size that its compression
// header gives), and the lookup of the function symbol that
// holds a link-time address (where its name lies).
struct ExeFormat {
  bool (*open)(TExeFile& exe);
  bool (*find_section)(TExeFile& exe, std::string_view name, ExeSection& section);
  bool (*find_symbol)(TExeFile& exe, std::uint64_t address, ExeNamePlace& name);
};

struct TExeFile {
  FileRec f;
  std::int64_t size = 0;
  std::int64_t section_count = 0;
  std::int64_t section_headers = 0;       // file offset of the first section header
  std::int64_t section_names = 0;         // file offset of the section-name strings
  std::int64_t section_names_length = 0;  // their length, where the format records it
  std::uint64_t image_base = 0;           // the address the file was linked to load at
  std::uint8_t address_size = 0;          // bytes of an address: the ELF class, the PE kind
  const ExeFormat* format = nullptr;
  std::pmr::string filename;
};

inline bool IsOpen(const TExeFile& exe) {
  return exe.f.mode != ModeClosed;
}

// Opens the file and checks that it is an executable of a known format.
// False for a file that cannot be opened (a plain answer, with no code), that
// is not an image, or whose reading failed (with its code); such a file is
// closed again at once.
FileResult OpenExeFile(TExeFile& exe, std::string_view name);
// True when a file was open and has been closed; the code of any failed
// read of it, or of the close.
FileResult CloseExeFile(TExeFile& exe);

// The first section of that name that holds its bytes in the file, stored
// plainly or compressed; a ".debug_" section may be stored compressed under
// its older ".zdebug_" name. A section compressed with a method this build
// cannot decode, or whose compression header is damaged, is not found.
FileResult FindExeSection(TExeFile& exe, std::string_view name, ExeSection& section);

// Reads n bytes at a file offset into buffer. False, without reading, when
// the range does not lie inside the file.
FileResult ReadExeBytes(TExeFile& exe, std::int64_t offset, void* buffer, std::int64_t n);

}  // namespace rt
