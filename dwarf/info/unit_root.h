// The root entry of a compilation unit in .debug_info: its line program and
// the address ranges of its code. Only the root entry is decoded, with its
// abbreviation; the rest of the unit is skipped by its length.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/forms.h"
#include "dwarf/info/address_ranges.h"

namespace rt {

struct UnitRoot {
  std::int64_t next = 0;  // offset of the next unit in .debug_info
  bool has_program = false;
  std::uint64_t program = 0;  // offset of its line program in .debug_line
  // The ranges its root entry gives; has_ranges is false without any, and
  // when they could not be read.
  bool has_ranges = false;
  std::pmr::vector<AddressRange> ranges;
  // The root entry could not be read whole: its ranges are not known.
  bool malformed = false;
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
  // The root entry's attributes that say where the unit's code lies.
  struct RootAttributes {
    FormValue low, high, ranges, addr_base, rnglists_base;
  };

  bool ReadRootEntry(const UnitShape& unit, std::uint64_t abbrev_offset, bool want_ranges,
                     UnitRoot& root);
  bool FindAbbreviation(std::uint64_t code, std::uint64_t abbrev_offset);
  void SkipBufferedEntries(std::uint64_t code);
  static bool SkipBufferedPairs(const std::uint8_t*& p, const std::uint8_t* end);
  bool ReadAttributes(const UnitShape& unit, UnitRoot& root, RootAttributes& attributes);
  bool ReadRanges(const UnitShape& unit, const RootAttributes& attributes, UnitRoot& root);
  bool RangeListOffset(const UnitShape& unit, const RootAttributes& attributes,
                       std::uint64_t& offset);

  DebugSources sources_;
  DwarfCursor info_, abbrev_, lists_;
};

}  // namespace rt
