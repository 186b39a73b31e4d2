// The DWARF sections a line table is read from, found in a module's file or
// its debug file by one table of names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory_resource>
#include <string>
#include <string_view>

#include "exe/byte_source.h"
#include "exe/exe_file.h"
#include "exe/section_reader.h"

namespace rt {

// Each section the readers use; adding one to what a line table needs is a
// name here and its entry, in the same place, in kDebugSections.
enum class DebugSection : std::uint8_t {
  kLine,        // .debug_line: the line programs
  kLineStr,     // .debug_line_str: names of version 5 file tables
  kStr,         // .debug_str
  kInfo,        // .debug_info: which units hold which addresses
  kAbbrev,      // .debug_abbrev
  kAranges,     // .debug_aranges
  kRanges,      // .debug_ranges (versions 2 to 4)
  kRnglists,    // .debug_rnglists (version 5)
  kAddr,        // .debug_addr (version 5)
  kStrOffsets,  // .debug_str_offsets (version 5)
  kLoc,         // .debug_loc: location lists (versions 2 to 4)
  kLoclists,    // .debug_loclists (version 5)
  kTypes,       // .debug_types: type units (version 4)
  kCount
};
inline constexpr std::size_t kDebugSectionCount = static_cast<std::size_t>(DebugSection::kCount);

// Every one may be stored compressed: each is then read through its
// decoded stream, in bounded memory.
inline constexpr const char* kDebugSections[] = {
    ".debug_line",    ".debug_line_str", ".debug_str",      ".debug_info", ".debug_abbrev",
    ".debug_aranges", ".debug_ranges",   ".debug_rnglists", ".debug_addr", ".debug_str_offsets",
    ".debug_loc",     ".debug_loclists", ".debug_types",
};
static_assert(std::size(kDebugSections) == kDebugSectionCount, "a name for every section");

// The sections' bytes as the readers see them; an absent section is null.
struct DebugSources {
  ByteSource* of[kDebugSectionCount] = {};
  // The sections stored compressed: reading one at an offset decodes the
  // stream up to it, which a reader may choose to avoid.
  std::uint32_t compressed = 0;

  ByteSource* operator[](DebugSection section) const {
    return of[static_cast<std::size_t>(section)];
  }
  void Set(DebugSection section, ByteSource* source) {
    of[static_cast<std::size_t>(section)] = source;
  }
  bool IsCompressed(DebugSection section) const {
    return (compressed >> static_cast<unsigned>(section) & 1) != 0;
  }
};

// The file that holds a module's line table and where its sections lie in
// that file; an absent section has size 0.
struct LineFile {
  std::pmr::string name;
  ExeSection sections[kDebugSectionCount];
};

struct LineFileSearch {
  enum Kind {
    kFound,        // exe is open on the file that holds the table
    kUnreadable,   // the module's file is no readable image, or a read failed
    kNoLineTable,  // no place holds a ".debug_line" section
  };
  Kind kind = kUnreadable;
  std::uint16_t io_error = 0;  // the code of a read that failed, if one did
};

// Finds the file that holds the module's ".debug_line" (see FindDebugFile
// for the places, in order) and the other sections in that file. exe is
// left open only with kFound.
LineFileSearch FindLineFile(TExeFile& exe, std::string_view module_file,
                            std::string_view debug_root, LineFile& found);

// The sections of a line file, read through the file that exe has open.
// What was learnt of compressed sections stays from one binding to the next
// until Forget.
class LineFileReaders {
 public:
  void Bind(TExeFile& exe, const LineFile& file);
  void Forget();
  const DebugSources& sources() const { return sources_; }

 private:
  SectionReader readers_[kDebugSectionCount];
  DebugSources sources_;
};

}  // namespace rt
