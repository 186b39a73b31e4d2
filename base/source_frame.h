// What the readers learn of a code address, kept as a record until one
// formatter writes it, so that a new piece of it is added in one place.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "base/text.h"

namespace rt {

// One source frame that holds a code address.
struct SourceFrame {
  Text file;                // empty where no table covers the address
  std::int32_t line = 0;    // 0 where the table gives none
  std::int32_t column = 0;  // 0 where the table gives none
  Text function;            // empty where no name is known
  // Its function was inlined into the next frame's, whose line is the call's.
  bool inlined = false;
  // Where the line table names the file: the offset of its line program in
  // the module's .debug_line, -1 for none, and the file's index there.
  std::int64_t program = -1;
  std::uint32_t file_index = 0;
};

// The source frames that hold one code address, innermost first; empty
// where nothing covers it. Its memory is the default resource's, which is
// the report's own while a report is formed.
using SourceFrames = std::pmr::vector<SourceFrame>;

}  // namespace rt
