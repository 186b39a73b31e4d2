// Where an entry's code lies, as its low_pc and high_pc or its range list
// say: the same for a unit's root entry, a function and an inlined call.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/strings.h"

namespace rt {

// The attributes of an entry that place its code.
struct CodePlace {
  FormValue low, high, ranges;

  // Keeps the value where the attribute is one of them; false otherwise.
  bool Keep(std::uint64_t attribute, const FormValue& value);
  bool described() const {
    return ranges.kind != FormValue::Kind::kNone ||
           (low.kind != FormValue::Kind::kNone && high.kind != FormValue::Kind::kNone);
  }
};

// What a unit's root gives the range lists of its entries.
struct UnitRangeBase {
  UnitTables tables;
  std::uint64_t base = 0;           // the root's low_pc: range lists count from it
  std::uint64_t rnglists_base = 0;  // the root's DW_AT_rnglists_base
};

// Appends the ranges the attributes give (none where they describe none);
// false when they cannot be read.
bool ReadCodeRanges(DwarfCursor& lists, const DebugSources& sources, const UnitRangeBase& unit,
                    const CodePlace& place, std::pmr::vector<AddressRange>& ranges);

}  // namespace rt
