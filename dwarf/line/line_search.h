// The lookup rule over one unit's rows: which row answers for a code
// address, for several addresses in one run of the unit's program.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "base/text.h"
#include "dwarf/cursor.h"
#include "dwarf/line/line_header.h"

namespace rt {

// The search of one unit for one of several targets.
struct TargetSearch {
  std::uint64_t target = 0;
  bool found = false;
  bool remembered = false;  // a row below the target was met
  // Answered at a sequence's first row or at its end: an earlier unit whose
  // sequence ends or starts there would answer first.
  bool at_sequence_start = false;
  std::int32_t file = 0;
  std::int64_t line = 0;
  std::int32_t column = 0;    // 0: the row names no column
  std::int32_t name = -1;     // with found: the remembered row's file name, in names
  std::int64_t program = -1;  // with a remembered row: the offset of its line program

  void Reset() {
    std::uint64_t keep = target;
    *this = TargetSearch();
    target = keep;
  }
};

// What a search learnt of the unit itself, whatever its targets; the
// addresses hold for the whole unit only when it was read to its end.
struct UnitFacts {
  bool scanned_whole = false;
  std::uint64_t lowest_start = UINT64_MAX;  // the lowest first row of a sequence
  std::uint64_t max_address = 0;            // the highest row
};

// Searches the unit at the offset for every target at once, each by the
// rule of a single search: running the unit's program once, however many
// targets it is searched for. The targets come in increasing order; the
// file names of their answers are added to names, one for each file.
// Returns the offset of the next unit, which follows from the unit's length
// alone, so that a damaged program does not disturb the units after it.
std::int64_t SearchUnit(DwarfCursor& cursor, StringTables& strings, std::int64_t offset,
                        std::int64_t section_end, TargetSearch* targets, std::size_t count,
                        UnitFacts& facts, std::pmr::vector<Text>& names);

}  // namespace rt
