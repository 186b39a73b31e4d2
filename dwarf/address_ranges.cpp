// Reading .debug_aranges, range lists and indexed addresses.
#include "dwarf/address_ranges.h"

#include "base/byte_order.h"

namespace rt {

namespace {

// Nearby ranges of one unit are taken as one: the gap between them (padding
// between functions) holds no row of any other unit, and fewer ranges keep
// the index small.
constexpr std::uint64_t kJoinGap = 256;

void Add(std::vector<AddressRange>& ranges, std::uint64_t low, std::uint64_t high) {
  if (high <= low) return;
  if (!ranges.empty() && low >= ranges.back().low && low <= ranges.back().high + kJoinGap) {
    if (high > ranges.back().high) ranges.back().high = high;
    return;
  }
  ranges.push_back({low, high});
}

bool GoodAddressSize(std::uint64_t size) {
  return size == 4 || size == 8;
}

std::uint64_t MaxAddress(std::uint8_t address_size) {
  return address_size == 8 ? ~std::uint64_t{0} : 0xFFFFFFFFu;
}

}  // namespace

bool ReadAranges(LineReader& reader, ByteSource& aranges, std::vector<ArangeSet>& sets) {
  std::int64_t size = aranges.Size(), offset = 0;
  reader.Bind(&aranges);
  while (offset < size) {
    reader.Init(offset, size - offset);
    std::uint64_t length = reader.ReadUnsigned(4);
    int header = 4, offset_size = 4;
    if (length == 0xFFFFFFFF) {
      length = reader.ReadUnsigned(8);
      header = 12;
      offset_size = 8;
    }
    if (reader.Exhausted() || length > static_cast<std::uint64_t>(size - offset - header)) {
      return false;
    }
    std::int64_t next = offset + header + static_cast<std::int64_t>(length);
    reader.Init(offset, next - offset);
    reader.Seek(header);
    std::uint16_t version = reader.ReadUHalf();
    ArangeSet set;
    set.unit = reader.ReadUnsigned(offset_size);
    std::uint64_t address_size = reader.ReadUnsigned(1);
    std::uint64_t segment_size = reader.ReadUnsigned(1);
    // A set this reader cannot take describes nothing; the next one still can.
    if (version == 2 && GoodAddressSize(address_size) && segment_size == 0) {
      // The tuples start at a multiple of their size from the set's start.
      std::int64_t tuple = 2 * static_cast<std::int64_t>(address_size);
      reader.Seek((reader.Pos() + tuple - 1) / tuple * tuple);
      for (;;) {
        std::uint64_t low = reader.ReadUnsigned(static_cast<int>(address_size));
        std::uint64_t length_of = reader.ReadUnsigned(static_cast<int>(address_size));
        if (reader.Exhausted() || (low == 0 && length_of == 0)) break;
        std::uint64_t room = MaxAddress(static_cast<std::uint8_t>(address_size)) - low;
        Add(set.ranges, low, low + (length_of < room ? length_of : room));
      }
      sets.push_back(std::move(set));
    }
    offset = next;
  }
  return true;
}

bool ReadIndexedAddress(const InfoSections& sections, const UnitShape& unit,
                        std::uint64_t addr_base, std::uint64_t index, std::uint64_t& address) {
  if (sections.addr == nullptr) return false;
  std::uint64_t size = static_cast<std::uint64_t>(sections.addr->Size());
  if (addr_base > size || index > (size - addr_base) / unit.address_size) return false;
  std::uint64_t at = addr_base + index * unit.address_size;
  if (unit.address_size > size - at) return false;
  std::uint8_t bytes[8] = {};
  if (sections.addr->ReadAt(static_cast<std::int64_t>(at), bytes, unit.address_size) !=
      unit.address_size) {
    return false;
  }
  address = unit.address_size == 8 ? Le64(bytes) : Le32(bytes);
  return true;
}

bool ReadRangeList(LineReader& reader, const InfoSections& sections, const RangeListPlace& place,
                   std::vector<AddressRange>& ranges) {
  ByteSource* section = place.is_rnglists ? sections.rnglists : sections.ranges;
  if (section == nullptr || place.offset >= static_cast<std::uint64_t>(section->Size())) {
    return false;
  }
  int size = place.unit.address_size;
  // Lists of one unit after another usually lie one after another: what the
  // reader holds may serve the next.
  if (reader.source() != section) reader.Bind(section);
  reader.Init(static_cast<std::int64_t>(place.offset),
              section->Size() - static_cast<std::int64_t>(place.offset));
  std::uint64_t base = place.base;
  auto indexed = [&](std::uint64_t& address) {
    return ReadIndexedAddress(sections, place.unit, place.addr_base, reader.ReadULEB128(), address);
  };
  if (!place.is_rnglists) {
    // Pairs of offsets from the base, a base of its own after the largest
    // address, up to a pair of zeros.
    for (;;) {
      std::uint64_t low = reader.ReadUnsigned(size), high = reader.ReadUnsigned(size);
      if (reader.Exhausted()) return false;
      if (low == 0 && high == 0) return true;
      if (low == MaxAddress(place.unit.address_size)) {
        base = high;
      } else {
        Add(ranges, base + low, base + high);
      }
    }
  }
  for (;;) {
    int kind = reader.ReadNext();
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
        high = low + reader.ReadULEB128();
        break;
      case 4:  // offsets from the base
        low = base + reader.ReadULEB128();
        high = base + reader.ReadULEB128();
        break;
      case 5:  // base address
        base = reader.ReadUnsigned(size);
        continue;
      case 6:  // start and end
        low = reader.ReadUnsigned(size);
        high = reader.ReadUnsigned(size);
        break;
      case 7:  // start and a length
        low = reader.ReadUnsigned(size);
        high = low + reader.ReadULEB128();
        break;
      default:  // an unknown entry, or the section's end
        return false;
    }
    if (reader.Exhausted()) return false;
    Add(ranges, low, high);
  }
}

}  // namespace rt
