// Decoding a unit's header and root entry.
#include "dwarf/info/unit_root.h"

#include "base/byte_order.h"

namespace rt {

namespace {

enum Attribute : std::uint64_t {
  kStmtList = 0x10,
  kLowPc = 0x11,
  kHighPc = 0x12,
  kRanges = 0x55,
  kAddrBase = 0x73,
  kRnglistsBase = 0x74,
  kGnuAddrBase = 0x2133,
};
// Unit types of version 5 whose header carries 8 more bytes (and, for type
// units, an offset).
constexpr std::uint8_t kSkeleton = 0x04, kSplitCompile = 0x05, kType = 0x02, kSplitType = 0x06;

using Kind = FormValue::Kind;

}  // namespace

UnitRootReader::UnitRootReader(const DebugSources& sources) : sources_(sources) {
  info_.Bind(sources[DebugSection::kInfo]);
  // A root entry is usually a few dozen bytes, and units lie far apart.
  info_.SetReadSize(512);
  abbrev_.Bind(sources[DebugSection::kAbbrev]);
}

std::uint16_t UnitRootReader::io_error() const {
  for (const DwarfCursor* cursor : {&info_, &abbrev_, &lists_}) {
    if (cursor->io_error() != 0) return cursor->io_error();
  }
  return 0;
}

bool UnitRootReader::Read(std::int64_t offset, bool want_ranges, UnitRoot& root) {
  root = UnitRoot();
  std::int64_t size = sources_[DebugSection::kInfo]->Size();
  UnitExtent extent;
  if (offset >= size || !info_.EnterUnit(offset, size, extent) || extent.cut_short) return false;
  root.next = extent.next;
  UnitShape unit;
  unit.offset_size = extent.offset_size();
  unit.version = info_.ReadUHalf();
  std::uint64_t abbrev_offset;
  if (unit.version >= 5) {
    std::uint8_t unit_type = static_cast<std::uint8_t>(info_.ReadUnsigned(1));
    unit.address_size = static_cast<std::uint8_t>(info_.ReadUnsigned(1));
    abbrev_offset = info_.ReadOffset();
    if (unit_type == kSkeleton || unit_type == kSplitCompile) info_.Skip(8);
    if (unit_type == kType || unit_type == kSplitType) info_.Skip(8 + unit.offset_size);
  } else {
    abbrev_offset = info_.ReadOffset();
    unit.address_size = static_cast<std::uint8_t>(info_.ReadUnsigned(1));
  }
  // A unit this reader cannot take describes nothing; the next one still can.
  if (!info_.ok() || unit.version < 2 || unit.version > 5 ||
      (unit.address_size != 4 && unit.address_size != 8)) {
    return true;
  }
  root.malformed = !ReadRootEntry(unit, abbrev_offset, want_ranges, root);
  return true;
}

bool UnitRootReader::ReadRootEntry(const UnitShape& unit, std::uint64_t abbrev_offset,
                                   bool want_ranges, UnitRoot& root) {
  RootAttributes attributes;
  if (!FindAbbreviation(info_.ReadULEB128(), abbrev_offset) ||
      !ReadAttributes(unit, root, attributes)) {
    return false;
  }
  return !want_ranges || ReadRanges(unit, attributes, root);
}

// Moves abbrev_ to the attribute list of the abbreviation of that code:
// entries of a code, a tag, a children flag and pairs of attribute and form,
// up to a code of 0.
bool UnitRootReader::FindAbbreviation(std::uint64_t code, std::uint64_t abbrev_offset) {
  ByteSource* abbrev = sources_[DebugSection::kAbbrev];
  if (code == 0 || abbrev == nullptr ||
      abbrev_offset >= static_cast<std::uint64_t>(abbrev->Size())) {
    return false;
  }
  abbrev_.Init(static_cast<std::int64_t>(abbrev_offset),
               abbrev->Size() - static_cast<std::int64_t>(abbrev_offset));
  for (;;) {
    SkipBufferedEntries(code);
    std::uint64_t entry = abbrev_.ReadULEB128();
    if (entry == 0 || !abbrev_.ok()) return false;
    abbrev_.ReadULEB128();  // tag
    abbrev_.ReadNext();     // children
    if (entry == code) return true;
    for (std::uint64_t attribute = 1, form = 1; attribute != 0 || form != 0;) {
      attribute = abbrev_.ReadULEB128();
      form = abbrev_.ReadULEB128();
      if (form == kFormImplicitConst) abbrev_.ReadLEB128();
      if (!abbrev_.ok()) return false;
    }
  }
}

// Skips the entries of other codes that lie whole in abbrev_'s buffer,
// straight from its bytes: a unit's own abbreviation may come after a
// hundred others. Stops before an entry of the code, of code 0, or one that
// the buffer does not hold whole, which the cursor then reads.
void UnitRootReader::SkipBufferedEntries(std::uint64_t code) {
  std::int64_t n;
  const std::uint8_t* start = abbrev_.Buffered(n);
  const std::uint8_t *p = start, *end = start + n;
  for (;;) {
    const std::uint8_t* q = p;
    std::uint64_t entry, tag;
    if (!ReadBufferedLEB128(q, end, false, entry) || entry == 0 || entry == code ||
        !ReadBufferedLEB128(q, end, false, tag) || q == end) {
      break;
    }
    ++q;  // children
    if (!SkipBufferedPairs(q, end)) break;
    p = q;
  }
  abbrev_.Consume(p - start);
}

// Moves p past an entry's pairs of attribute and form, up to the pair of
// zeros; false when they reach past end.
bool UnitRootReader::SkipBufferedPairs(const std::uint8_t*& p, const std::uint8_t* end) {
  const std::uint8_t* q = p;
  for (;;) {
    std::uint64_t attribute, form, value;
    if (end - q >= 2 && (q[0] | q[1]) < 0x80) {
      // Nearly every pair is two bytes.
      attribute = q[0];
      form = q[1];
      q += 2;
    } else if (!ReadBufferedLEB128(q, end, false, attribute) ||
               !ReadBufferedLEB128(q, end, false, form)) {
      return false;
    }
    if (attribute == 0 && form == 0) break;
    if (form == kFormImplicitConst && !ReadBufferedLEB128(q, end, false, value)) return false;
  }
  p = q;
  return true;
}

// Reads the root entry's values by its abbreviation, keeping those that
// say where the unit's line program and code lie.
bool UnitRootReader::ReadAttributes(const UnitShape& unit, UnitRoot& root,
                                    RootAttributes& attributes) {
  for (;;) {
    std::uint64_t attribute = abbrev_.ReadULEB128(), form = abbrev_.ReadULEB128();
    std::int64_t implicit = form == kFormImplicitConst ? abbrev_.ReadLEB128() : 0;
    if (!abbrev_.ok()) return false;
    if (attribute == 0 && form == 0) return true;
    FormValue value;
    if (!ReadForm(info_, form, unit, implicit, value) || !info_.ok()) return false;
    switch (attribute) {
      case kStmtList:
        if (value.kind == Kind::kOffset || value.kind == Kind::kConstant) {
          root.has_program = true;
          root.program = value.value;
        }
        break;
      case kLowPc:
        attributes.low = value;
        break;
      case kHighPc:
        attributes.high = value;
        break;
      case kRanges:
        attributes.ranges = value;
        break;
      case kAddrBase:
      case kGnuAddrBase:
        attributes.addr_base = value;
        break;
      case kRnglistsBase:
        attributes.rnglists_base = value;
        break;
      default:
        break;
    }
  }
}

// The ranges of the unit's code: its range list, or low_pc and high_pc.
bool UnitRootReader::ReadRanges(const UnitShape& unit, const RootAttributes& attributes,
                                UnitRoot& root) {
  // The unit's base address is its low_pc, given or indexed.
  const FormValue& low = attributes.low;
  const FormValue& high = attributes.high;
  std::uint64_t addr_base = attributes.addr_base.value;
  std::uint64_t base = 0;
  if (low.kind == Kind::kAddressIndex) {
    if (!ReadIndexedAddress(sources_, unit, addr_base, low.value, base)) return false;
  } else if (low.kind == Kind::kAddress) {
    base = low.value;
  }
  if (attributes.ranges.kind != Kind::kNone) {
    RangeListPlace place;
    place.unit = unit;
    place.is_rnglists = unit.version >= 5;
    place.base = base;
    place.addr_base = addr_base;
    if (!RangeListOffset(unit, attributes, place.offset)) return false;
    root.has_ranges = ReadRangeList(lists_, sources_, place, root.ranges);
    if (!root.has_ranges) root.ranges.clear();
    return root.has_ranges;
  }
  if (low.kind == Kind::kNone || high.kind == Kind::kNone) return true;
  // From version 4 on, a high_pc that is a constant is the length.
  std::uint64_t end = high.value;
  if (high.kind == Kind::kAddressIndex) {
    if (!ReadIndexedAddress(sources_, unit, addr_base, high.value, end)) return false;
  } else if (high.kind == Kind::kConstant) {
    end = base + high.value;
  }
  if (end > base) {
    root.ranges.push_back({base, end});
    root.has_ranges = true;
  }
  return true;
}

// Where the unit's range list starts: the offset given, or for an index,
// the offset kept at that index after the list table's header.
bool UnitRootReader::RangeListOffset(const UnitShape& unit, const RootAttributes& attributes,
                                     std::uint64_t& offset) {
  if (attributes.ranges.kind != Kind::kListIndex) {
    offset = attributes.ranges.value;
    return true;
  }
  std::uint64_t table = attributes.rnglists_base.value;
  ByteSource* lists = sources_[DebugSection::kRnglists];
  std::uint64_t at = table + attributes.ranges.value * unit.offset_size;
  std::uint8_t bytes[8] = {};
  if (lists == nullptr || at < table ||
      lists->ReadAt(static_cast<std::int64_t>(at), bytes, unit.offset_size).count !=
          unit.offset_size) {
    return false;
  }
  offset = table + (unit.offset_size == 8 ? Le64(bytes) : Le32(bytes));
  return true;
}

}  // namespace rt
