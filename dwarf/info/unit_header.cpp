// Reading a unit's header.
#include "dwarf/info/unit_header.h"

namespace rt {

namespace {

// Version 5 puts the unit type and address size ahead of the abbreviations'
// offset, and an id or a signature (and the type's offset) after it.
void ReadVersion5Fields(DwarfCursor& info, UnitHeader& header) {
  header.type = static_cast<std::uint8_t>(info.ReadUnsigned(1));
  header.shape.address_size = static_cast<std::uint8_t>(info.ReadUnsigned(1));
  header.abbrev_offset = info.ReadOffset();
  if (header.type == kUnitSkeleton || header.type == kUnitSplitCompile) {
    header.id = info.ReadUnsigned(8);
  } else if (header.type == kUnitType || header.type == kUnitSplitType) {
    header.id = info.ReadUnsigned(8);
    header.type_offset = info.ReadOffset();
  }
}

}  // namespace

bool ReadUnitHeader(DwarfCursor& info, std::int64_t offset, std::int64_t size, UnitHeader& header) {
  header = UnitHeader();
  UnitExtent extent;
  if (offset >= size || !info.EnterUnit(offset, size, extent) || extent.cut_short) return false;
  header.next = extent.next;
  header.shape.offset = offset;
  header.shape.offset_size = extent.offset_size();
  header.shape.version = info.ReadUHalf();
  if (header.shape.version >= 5) {
    ReadVersion5Fields(info, header);
  } else {
    header.abbrev_offset = info.ReadOffset();
    header.shape.address_size = static_cast<std::uint8_t>(info.ReadUnsigned(1));
  }
  header.entries = info.Pos();
  std::uint16_t version = header.shape.version;
  std::uint8_t address_size = header.shape.address_size;
  header.readable =
      info.ok() && version >= 2 && version <= 5 && (address_size == 4 || address_size == 8);
  return true;
}

}  // namespace rt
