// Reading where an entry's code lies.
#include "dwarf/info/code_ranges.h"

#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// Where a range list starts: the offset given, or for an index, the offset
// kept at that index after the list table's header.
bool RangeListStart(const DebugSources& sources, const UnitRangeBase& unit, const FormValue& ranges,
                    std::uint64_t& offset) {
  if (ranges.kind != Kind::kListIndex) {
    offset = ranges.value;
    return ranges.kind == Kind::kSectionOffset || ranges.kind == Kind::kConstant;
  }
  if (!ReadIndexedOffset(sources, DebugSection::kRnglists, unit.tables.shape.offset_size,
                         unit.rnglists_base, ranges.value, offset)) {
    return false;
  }
  offset += unit.rnglists_base;
  return true;
}

}  // namespace

bool CodePlace::Keep(std::uint64_t attribute, const FormValue& value) {
  switch (attribute) {
    case kAttrLowPc:
      low = value;
      return true;
    case kAttrHighPc:
      high = value;
      return true;
    case kAttrRanges:
      ranges = value;
      return true;
    default:
      return false;
  }
}

bool ReadCodeRanges(DwarfCursor& lists, const DebugSources& sources, const UnitRangeBase& unit,
                    const CodePlace& place, std::pmr::vector<AddressRange>& ranges) {
  const UnitTables& tables = unit.tables;
  if (place.ranges.kind != Kind::kNone) {
    RangeListPlace list;
    list.unit = tables.shape;
    list.is_rnglists = tables.shape.version >= 5;
    list.base = unit.base;
    list.addr_base = tables.addr_base;
    return RangeListStart(sources, unit, place.ranges, list.offset) &&
           ReadRangeList(lists, sources, list, ranges);
  }
  if (place.low.kind == Kind::kNone || place.high.kind == Kind::kNone) return true;
  std::uint64_t low = 0, end = place.high.value;
  if (!AddressOf(sources, place.low, tables, low)) return false;
  // From version 4 on, a high_pc that is a constant is the length.
  if (place.high.kind == Kind::kConstant) {
    end = low + place.high.value;
  } else if (!AddressOf(sources, place.high, tables, end)) {
    return false;
  }
  if (end > low) ranges.push_back({low, end});
  return true;
}

}  // namespace rt
