// Which expression of a variable's location holds at a pc: the one its
// attribute holds, or the entry of its location list that covers the pc.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"

namespace rt {

// What a unit's root gives the location lists of its entries.
struct LocationUnit {
  UnitShape shape;
  std::uint64_t base = 0;           // the root's low_pc: lists count from it
  std::uint64_t addr_base = 0;      // DW_AT_addr_base (DW_AT_GNU_addr_base)
  std::uint64_t loclists_base = 0;  // DW_AT_loclists_base
  // A version 4 split unit: its .debug_loc holds entries of kinds with
  // indexed addresses.
  bool split = false;
};

// Where an expression lies, for EvaluateLocation.
struct ExpressionPlace {
  DebugSection section = DebugSection::kInfo;
  std::int64_t offset = 0;
  std::uint32_t length = 0;
};

enum class ListLookup {
  kFound,
  kOptimizedOut,  // no entry covers the pc
  kMalformed,     // the list cannot be read, or lies outside its section
};

// The expression a DW_AT_location (or DW_AT_frame_base) value gives at a
// link-time pc: an exprloc or block itself, in .debug_info; a list by its
// offset in .debug_loc (versions 2 to 4, where a data4 or data8 constant
// of versions 2 and 3 is one too) or .debug_loclists (version 5), or by
// its index in the unit's table of list offsets.
ListLookup FindLocationExpression(DwarfCursor& cursor, const DebugSources& sources,
                                  const LocationUnit& unit, const FormValue& value,
                                  std::uint64_t pc, ExpressionPlace& place);

}  // namespace rt
