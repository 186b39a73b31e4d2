// The header of a unit of .debug_info, in the layouts of versions 2 to 5
// and both formats, with the fields each type of version 5 unit adds.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/forms.h"

namespace rt {

// Unit types of version 5; earlier units are all compile units.
enum UnitType : std::uint8_t {
  kUnitCompile = 0x01,
  kUnitType = 0x02,
  kUnitPartial = 0x03,
  kUnitSkeleton = 0x04,
  kUnitSplitCompile = 0x05,
  kUnitSplitType = 0x06,
};

struct UnitHeader {
  UnitShape shape;        // version, sizes and the unit's offset
  std::int64_t next = 0;  // the next unit's offset
  std::uint8_t type = kUnitCompile;
  std::uint64_t abbrev_offset = 0;  // of its abbreviation table in .debug_abbrev
  // Skeleton and split compile units: the id shared with the split unit;
  // type units: the type's signature.
  std::uint64_t id = 0;
  std::uint64_t type_offset = 0;  // type units: the type's entry, from the unit's first byte
  std::int64_t entries = 0;       // the first entry, from the unit's first byte
  // A version and sizes this reader takes; a unit without them describes
  // nothing, and the next one is still found.
  bool readable = false;
};

// Enters the unit at offset of .debug_info, whose size is given, and reads
// its header; the cursor then stands at the unit's first entry, its window
// the unit. False when the unit's length cannot be read or reaches past the
// section: the units after it cannot be found.
bool ReadUnitHeader(DwarfCursor& info, std::int64_t offset, std::int64_t size, UnitHeader& header);

}  // namespace rt
