// Where the source file of a frame lies, as the module's line table and
// its units' compilation directories say.
#pragma once

#include <cstdint>

#include "base/source_frame.h"
#include "base/text.h"
#include "dwarf/debug_sections.h"

namespace rt {

struct SourceFile {
  // The file's path: whole, where the tables give the directory it counts
  // from; else as the table names it.
  Text path;
  bool has_md5 = false;  // the line table holds its MD5 digest
  std::uint8_t md5[16] = {};
};

// The file the frame's line comes from; false where the frame names no file
// of a line program, or it cannot be read.
bool FindSourceFile(const DebugSources& sources, const SourceFrame& frame, SourceFile& file);

}  // namespace rt
