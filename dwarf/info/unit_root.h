// The root entry of a compilation unit in .debug_info: its line program, the
// address ranges of its code, and where its indexed strings and addresses
// start. Only the root entry is decoded; the rest of the unit is skipped by
// its length.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/forms.h"
#include "dwarf/info/abbreviations.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/info/code_ranges.h"
#include "dwarf/info/unit_header.h"
#include "dwarf/strings.h"

namespace rt {

// What the readers of a unit's entries need of its root: the index keeps
// one for each unit, so that the root is read once.
struct UnitSummary {
  std::int64_t offset = 0;    // of the unit in .debug_info
  std::int64_t next = 0;      // offset of the next unit in .debug_info
  std::uint64_t program = 0;  // offset of its line program in .debug_line
  bool has_program = false;
  std::uint64_t loclists_base = 0;  // its DW_AT_loclists_base, for its location lists
  // The root entry could not be read whole: its ranges are not known.
  bool malformed = false;
  bool has_children = false;
  // The root entry's first child, from the unit's first byte.
  std::int64_t children = 0;
  // The unit's shape, where its indexed strings and addresses start, and
  // what its entries' range lists count from.
  UnitRangeBase unit;
};

struct UnitRoot : UnitSummary {
  // The directory the unit was compiled in, as its string form holds it.
  FormValue comp_dir;
  // The ranges its root entry gives; has_ranges is false without any, and
  // when they could not be read.
  bool has_ranges = false;
  std::pmr::vector<AddressRange> ranges;
};

class UnitRootReader {
 public:
  // The cursors keep what they read from one unit to the next: the units'
  // abbreviations usually lie one after another.
  explicit UnitRootReader(const DebugSources& sources);

  // Reads the unit at offset. False when its header cannot be read: the
  // units after it cannot be found either. want_ranges: whether its ranges
  // are needed (a unit that .debug_aranges describes needs only its line
  // program).
  bool Read(std::int64_t offset, bool want_ranges, UnitRoot& root);
  // The I/O code of a read that failed, 0 for none.
  std::uint16_t io_error() const;

 private:
  bool ReadRootEntry(const UnitHeader& header, bool want_ranges, UnitRoot& root);
  void Keep(std::uint64_t attribute, const FormValue& value, UnitRoot& root, CodePlace& place);

  DebugSources sources_;
  DwarfCursor info_, lists_;
  AbbrevTable abbreviations_;
};

}  // namespace rt
