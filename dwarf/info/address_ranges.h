// Address ranges as .debug_aranges and range lists give them, each range
// exactly as read (only those that hold no address are dropped).
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "exe/byte_source.h"

namespace rt {

// [low, high): the end is the first address after the range.
struct AddressRange {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
};

// One set of .debug_aranges: the unit it describes and its ranges.
struct ArangeSet {
  std::uint64_t unit = 0;  // offset of the unit in .debug_info
  std::pmr::vector<AddressRange> ranges;
};

// Reads every set of .debug_aranges. False, with what was read so far, when
// a set is malformed: the sets after it cannot be found.
bool ReadAranges(DwarfCursor& cursor, ByteSource& aranges, std::pmr::vector<ArangeSet>& sets);

// Where a unit's range list starts and what it needs to be read.
struct RangeListPlace {
  UnitShape unit;
  bool is_rnglists = false;     // version 5's .debug_rnglists, else .debug_ranges
  std::uint64_t offset = 0;     // of the list in its section
  std::uint64_t base = 0;       // the unit's base address (its low_pc)
  std::uint64_t addr_base = 0;  // where the unit's entries in .debug_addr start
};

// Appends the ranges of a range list; false when it is malformed or lies
// outside its section.
bool ReadRangeList(DwarfCursor& cursor, const DebugSources& sources, const RangeListPlace& place,
                   std::pmr::vector<AddressRange>& ranges);

}  // namespace rt
