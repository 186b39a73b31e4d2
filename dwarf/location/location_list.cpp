// Reading location lists of every version for the entry that covers a pc.
#include "dwarf/location/location_list.h"

#include "dwarf/strings.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// A list longer than any compiler writes is taken as malformed.
constexpr int kMaxEntries = 1 << 16;

enum class EntryKind { kEnd, kBase, kRange, kDefault, kBad };

struct ListReader {
  DwarfCursor& cursor;
  const DebugSources& sources;
  const LocationUnit& unit;
  DebugSection section;
  std::int64_t origin;  // the list's offset in its section
  std::uint64_t base;

  std::uint64_t Address() { return cursor.ReadUnsigned(unit.shape.address_size); }
  bool Indexed(std::uint64_t& address) {
    std::uint64_t index = cursor.ReadULEB128();
    return cursor.ok() && ReadIndexedAddress(sources, unit.shape, unit.addr_base, index, address);
  }
  // The expression of length bytes that the cursor stands at, passed over.
  bool Take(std::uint64_t length, ExpressionPlace& place) {
    if (!cursor.ok() || length > 0xFFFFFFFFu ||
        length > static_cast<std::uint64_t>(cursor.Limit() - cursor.Pos())) {
      return false;
    }
    place = {section, origin + cursor.Pos(), static_cast<std::uint32_t>(length)};
    cursor.Skip(length);
    return true;
  }
};

// Where a list starts: the offset given, or for an index, the offset kept
// at that index after the list table's header.
bool ListStart(const DebugSources& sources, const LocationUnit& unit, const FormValue& value,
               std::uint64_t& offset) {
  offset = value.value;
  if (value.kind == Kind::kSectionOffset) return true;
  if (value.kind == Kind::kConstant) return unit.shape.version < 4;
  if (value.kind != Kind::kListIndex) return false;
  if (!ReadIndexedOffset(sources, DebugSection::kLoclists, unit.shape.offset_size,
                         unit.loclists_base, value.value, offset)) {
    return false;
  }
  offset += unit.loclists_base;
  return true;
}

// Versions 2 to 4: pairs of offsets from the base, a base of its own after
// the largest address, up to a pair of zeros; each range's expression
// follows its 2-byte length.
ListLookup ScanPairs(ListReader& r, std::uint64_t pc, ExpressionPlace& place) {
  int size = r.unit.shape.address_size;
  std::uint64_t largest = size == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << size * 8) - 1;
  for (int n = 0; n < kMaxEntries; ++n) {
    std::uint64_t low = r.Address(), high = r.Address();
    if (!r.cursor.ok()) return ListLookup::kMalformed;
    if (low == 0 && high == 0) return ListLookup::kOptimizedOut;
    if (low == largest) {
      r.base = high;
      continue;
    }
    ExpressionPlace here;
    if (!r.Take(r.cursor.ReadUnsigned(2), here)) return ListLookup::kMalformed;
    if (r.base + low <= pc && pc < r.base + high) return place = here, ListLookup::kFound;
  }
  return ListLookup::kMalformed;
}

// An entry's kind and the range it covers. The kinds of version 5, of
// which a version 4 split unit's (gnu) know the first four, its length of
// kind 3 taking 4 bytes.
EntryKind ReadEntry(ListReader& r, bool gnu, std::uint64_t& low, std::uint64_t& high) {
  DwarfCursor& c = r.cursor;
  int kind = c.ReadNext();
  if (gnu && kind > 3) return EntryKind::kBad;
  switch (kind) {
    case 0:  // end of list
      return EntryKind::kEnd;
    case 1:  // base address, indexed
      return r.Indexed(r.base) ? EntryKind::kBase : EntryKind::kBad;
    case 2:  // start and end, indexed
      return r.Indexed(low) && r.Indexed(high) ? EntryKind::kRange : EntryKind::kBad;
    case 3:  // indexed start and a length
      if (!r.Indexed(low)) return EntryKind::kBad;
      high = low + (gnu ? c.ReadUnsigned(4) : c.ReadULEB128());
      return EntryKind::kRange;
    case 4:  // offsets from the base
      low = r.base + c.ReadULEB128();
      high = r.base + c.ReadULEB128();
      return EntryKind::kRange;
    case 5:  // where no other entry covers the pc
      return EntryKind::kDefault;
    case 6:  // base address
      r.base = r.Address();
      return EntryKind::kBase;
    case 7:  // start and end
      low = r.Address();
      high = r.Address();
      return EntryKind::kRange;
    case 8:  // start and a length
      low = r.Address();
      high = low + c.ReadULEB128();
      return EntryKind::kRange;
    default:  // an unknown entry, or the section's end
      return EntryKind::kBad;
  }
}

// Entries of a kind and their operands up to an end entry; each range's
// expression and the default's follow their length (2 bytes for gnu).
ListLookup ScanEntries(ListReader& r, bool gnu, std::uint64_t pc, ExpressionPlace& place) {
  ExpressionPlace fallback;
  bool has_default = false;
  for (int n = 0; n < kMaxEntries; ++n) {
    std::uint64_t low = 0, high = 0;
    EntryKind kind = ReadEntry(r, gnu, low, high);
    if (!r.cursor.ok() || kind == EntryKind::kBad) return ListLookup::kMalformed;
    if (kind == EntryKind::kEnd) {
      if (!has_default) return ListLookup::kOptimizedOut;
      return place = fallback, ListLookup::kFound;
    }
    if (kind == EntryKind::kBase) continue;
    ExpressionPlace here;
    std::uint64_t length = gnu ? r.cursor.ReadUnsigned(2) : r.cursor.ReadULEB128();
    if (!r.Take(length, here)) return ListLookup::kMalformed;
    if (kind == EntryKind::kDefault) {
      fallback = here;
      has_default = true;
    } else if (low <= pc && pc < high) {
      return place = here, ListLookup::kFound;
    }
  }
  return ListLookup::kMalformed;
}

}  // namespace

ListLookup FindLocationExpression(DwarfCursor& cursor, const DebugSources& sources,
                                  const LocationUnit& unit, const FormValue& value,
                                  std::uint64_t pc, ExpressionPlace& place) {
  if (value.kind == Kind::kBlock) {
    if (value.length > 0xFFFFFFFFu) return ListLookup::kMalformed;
    place = {DebugSection::kInfo, static_cast<std::int64_t>(value.value),
             static_cast<std::uint32_t>(value.length)};
    return ListLookup::kFound;
  }
  int size = unit.shape.address_size;
  bool v5 = unit.shape.version >= 5;
  DebugSection section = v5 ? DebugSection::kLoclists : DebugSection::kLoc;
  ByteSource* source = sources[section];
  std::uint64_t offset = 0;
  if (size < 1 || size > 8 || source == nullptr || !ListStart(sources, unit, value, offset) ||
      offset >= static_cast<std::uint64_t>(source->Size())) {
    return ListLookup::kMalformed;
  }
  if (cursor.source() != source) cursor.Bind(source);
  std::int64_t origin = static_cast<std::int64_t>(offset);
  cursor.Init(origin, source->Size() - origin);
  ListReader reader{cursor, sources, unit, section, origin, unit.base};
  if (!v5 && !unit.split) return ScanPairs(reader, pc, place);
  return ScanEntries(reader, !v5, pc, place);
}

}  // namespace rt
