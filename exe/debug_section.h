// Debug sections as programs are shipped: stored plainly, compressed in the
// ELF way (a compression header, then a zlib or Zstandard stream), or in
// the older ".zdebug" way ("ZLIB", a big-endian size, a zlib stream).
#pragma once

#include <cstdint>
#include <string_view>

#include "exe/decoder.h"
#include "exe/exe_file.h"

namespace rt {

struct ExeSection {
  std::int64_t offset = 0;  // file offset of the stored bytes, past any header
  std::int64_t length = 0;  // their count
  Compression compression = Compression::kNone;
  std::int64_t size = 0;  // the bytes it holds once decompressed, as its header says
};

// Finds the debug section of that name (".debug_line"), or its ".zdebug"
// form. A section compressed with a method this build cannot decode, or
// whose compression header is damaged, is not found.
bool FindDebugSection(TExeFile& exe, std::string_view name, ExeSection& section);

}  // namespace rt
