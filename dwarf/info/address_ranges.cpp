// Reading .debug_aranges, range lists and indexed addresses.
#include "dwarf/info/address_ranges.h"

#include "dwarf/strings.h"

namespace rt {

namespace {

// Exactly the range read: one that holds no address is dropped.
void Add(std::pmr::vector<AddressRange>& ranges, std::uint64_t low, std::uint64_t high) {
  if (high > low) ranges.push_back({low, high});
}

bool GoodAddressSize(std::uint64_t size) {
  return size == 4 || size == 8;
}

std::uint64_t MaxAddress(std::uint8_t address_size) {
  return address_size == 8 ? ~std::uint64_t{0} : 0xFFFFFFFFu;
}

// The ranges of one set, whose header the cursor stands after; a set this
// reader cannot take describes nothing.
bool ReadArangeSet(DwarfCursor& cursor, ArangeSet& set) {
  std::uint16_t version = cursor.ReadUHalf();
  set.unit = cursor.ReadOffset();
  std::uint64_t address_size = cursor.ReadUnsigned(1);
  std::uint64_t segment_size = cursor.ReadUnsigned(1);
  if (version != 2 || !GoodAddressSize(address_size) || segment_size != 0) return false;
  // The tuples start at a multiple of their size from the set's start.
  std::int64_t tuple = 2 * static_cast<std::int64_t>(address_size);
  cursor.Seek((cursor.Pos() + tuple - 1) / tuple * tuple);
  for (;;) {
    std::uint64_t low = cursor.ReadUnsigned(static_cast<int>(address_size));
    std::uint64_t length = cursor.ReadUnsigned(static_cast<int>(address_size));
    if (!cursor.ok() || (low == 0 && length == 0)) return true;
    std::uint64_t room = MaxAddress(static_cast<std::uint8_t>(address_size)) - low;
    Add(set.ranges, low, low + (length < room ? length : room));
  }
}

}  // namespace

bool ReadAranges(DwarfCursor& cursor, ByteSource& aranges, std::pmr::vector<ArangeSet>& sets) {
  std::int64_t size = aranges.Size();
  cursor.Bind(&aranges);
  UnitExtent set_extent;
  for (std::int64_t offset = 0; offset < size; offset = set_extent.next) {
    // A set whose length cannot be trusted hides the sets after it.
    if (!cursor.EnterUnit(offset, size, set_extent) || set_extent.cut_short) return false;
    ArangeSet set;
    if (ReadArangeSet(cursor, set)) sets.push_back(std::move(set));
  }
  return true;
}

namespace {

// Version 2 to 4 lists: pairs of offsets from the base, a base of its own
// after the largest address, up to a pair of zeros.
bool ReadPairList(DwarfCursor& cursor, const RangeListPlace& place,
                  std::pmr::vector<AddressRange>& ranges) {
  int size = place.unit.address_size;
  std::uint64_t base = place.base;
  for (;;) {
    std::uint64_t low = cursor.ReadUnsigned(size), high = cursor.ReadUnsigned(size);
    if (!cursor.ok()) return false;
    if (low == 0 && high == 0) return true;
    if (low == MaxAddress(place.unit.address_size)) {
      base = high;
    } else {
      Add(ranges, base + low, base + high);
    }
  }
}

// Version 5 lists: entries of a kind and its operands, up to an end entry.
bool ReadEntryList(DwarfCursor& cursor, const DebugSources& sources, const RangeListPlace& place,
                   std::pmr::vector<AddressRange>& ranges) {
  int size = place.unit.address_size;
  std::uint64_t base = place.base;
  auto indexed = [&](std::uint64_t& address) {
    return ReadIndexedAddress(sources, place.unit, place.addr_base, cursor.ReadULEB128(), address);
  };
  for (;;) {
    int kind = cursor.ReadNext();
    std::uint64_t low = 0, high = 0;
    switch (kind) {
      case 0:  // end of list
        return true;
      case 1:  // base address, indexed
        if (!indexed(base)) return false;
        continue;
      case 2:  // start and end, indexed
        if (!indexed(low) || !indexed(high)) return false;
        break;
      case 3:  // indexed start and a length
        if (!indexed(low)) return false;
        high = low + cursor.ReadULEB128();
        break;
      case 4:  // offsets from the base
        low = base + cursor.ReadULEB128();
        high = base + cursor.ReadULEB128();
        break;
      case 5:  // base address
        base = cursor.ReadUnsigned(size);
        continue;
      case 6:  // start and end
        low = cursor.ReadUnsigned(size);
        high = cursor.ReadUnsigned(size);
        break;
      case 7:  // start and a length
        low = cursor.ReadUnsigned(size);
        high = low + cursor.ReadULEB128();
        break;
      default:  // an unknown entry, or the section's end
        return false;
    }
    if (!cursor.ok()) return false;
    Add(ranges, low, high);
  }
}

}  // namespace

bool ReadRangeList(DwarfCursor& cursor, const DebugSources& sources, const RangeListPlace& place,
                   std::pmr::vector<AddressRange>& ranges) {
  ByteSource* section =
      sources[place.is_rnglists ? DebugSection::kRnglists : DebugSection::kRanges];
  if (section == nullptr || place.offset >= static_cast<std::uint64_t>(section->Size())) {
    return false;
  }
  // Lists of one unit after another usually lie one after another: what the
  // cursor holds may serve the next.
  if (cursor.source() != section) cursor.Bind(section);
  cursor.Init(static_cast<std::int64_t>(place.offset),
              section->Size() - static_cast<std::int64_t>(place.offset));
  return place.is_rnglists ? ReadEntryList(cursor, sources, place, ranges)
                           : ReadPairList(cursor, place, ranges);
}

}  // namespace rt
