// Attribute forms of debugging entries: how many bytes each takes, and the
// value of those that hold a number, an address or an index.
#pragma once

#include <cstdint>

#include "dwarf/line_reader.h"

namespace rt {

// What a unit's header says about the sizes of its fields.
struct UnitShape {
  std::uint16_t version = 0;
  std::uint8_t offset_size = 4;  // 8 in the 64-bit format
  std::uint8_t address_size = 8;
};

struct FormValue {
  enum class Kind { kNone, kAddress, kAddressIndex, kConstant, kOffset, kListIndex };
  Kind kind = Kind::kNone;
  std::uint64_t value = 0;
};

// Reads one attribute's value of the form (implicit: the value an abbreviation
// holds for DW_FORM_implicit_const). False for a form this reader does not
// know, which leaves the rest of the entry unreadable.
bool ReadForm(LineReader& reader, std::uint64_t form, const UnitShape& unit, std::int64_t implicit,
              FormValue& value);

}  // namespace rt
