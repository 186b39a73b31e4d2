// Decoding a unit's header and root entry.
#include "dwarf/info/unit_root.h"

#include "dwarf/info/entry_attributes.h"

namespace rt {

namespace {

enum Attribute : std::uint64_t {
  kStmtList = 0x10,
  kLowPc = 0x11,
  kHighPc = 0x12,
  kRanges = 0x55,
  kStrOffsetsBase = 0x72,
  kAddrBase = 0x73,
  kRnglistsBase = 0x74,
  kGnuAddrBase = 0x2133,
};

using Kind = FormValue::Kind;

bool IsOffset(const FormValue& value) {
  return value.kind == Kind::kSectionOffset || value.kind == Kind::kConstant;
}

}  // namespace

UnitRootReader::UnitRootReader(const DebugSources& sources) : sources_(sources) {
  info_.Bind(sources[DebugSection::kInfo]);
  // A root entry is usually a few dozen bytes, and units lie far apart.
  info_.SetReadSize(512);
  abbreviations_.Bind(sources[DebugSection::kAbbrev]);
}

std::uint16_t UnitRootReader::io_error() const {
  if (abbreviations_.io_error() != 0) return abbreviations_.io_error();
  return info_.io_error() != 0 ? info_.io_error() : lists_.io_error();
}

bool UnitRootReader::Read(std::int64_t offset, bool want_ranges, UnitRoot& root) {
  root = UnitRoot();
  UnitHeader header;
  if (!ReadUnitHeader(info_, offset, sources_[DebugSection::kInfo]->Size(), header)) return false;
  root.next = header.next;
  // A unit this reader cannot take describes nothing; the next one still can.
  if (header.readable) root.malformed = !ReadRootEntry(header, want_ranges, root);
  return true;
}

bool UnitRootReader::ReadRootEntry(const UnitHeader& header, bool want_ranges, UnitRoot& root) {
  root.tables.shape = header.shape;
  // Without a base of its own, a unit's strings are indexed from the table's
  // first entry, after its header.
  root.tables.str_offsets_base = header.shape.offset_size == 8 ? 16 : 8;
  abbreviations_.Open(header.abbrev_offset);
  const Abbreviation* abbreviation = abbreviations_.Find(info_.ReadULEB128());
  if (abbreviation == nullptr) return false;
  RootAttributes attributes;
  EntryAttributes entry(info_, header.shape, abbreviations_.Attributes(*abbreviation));
  FormValue value;
  while (entry.Next()) {
    std::uint64_t attribute = entry.attribute();
    bool wanted = attribute == kStmtList || attribute == kLowPc || attribute == kHighPc ||
                  attribute == kRanges || attribute == kStrOffsetsBase || attribute == kAddrBase ||
                  attribute == kGnuAddrBase || attribute == kRnglistsBase;
    if (wanted && entry.Value(value)) Keep(attribute, value, root, attributes);
  }
  if (!entry.ok()) return false;
  return !want_ranges || ReadRanges(attributes, root);
}

// Keeps a value of the root entry that says where the unit's line program,
// code and table entries lie.
void UnitRootReader::Keep(std::uint64_t attribute, const FormValue& value, UnitRoot& root,
                          RootAttributes& attributes) {
  switch (attribute) {
    case kStmtList:
      if (IsOffset(value)) {
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
    case kStrOffsetsBase:
      root.tables.str_offsets_base = value.value;
      break;
    case kAddrBase:
    case kGnuAddrBase:
      root.tables.addr_base = value.value;
      break;
    case kRnglistsBase:
      attributes.rnglists_base = value;
      break;
    default:
      break;
  }
}

// The ranges of the unit's code: its range list, or low_pc and high_pc.
bool UnitRootReader::ReadRanges(const RootAttributes& attributes, UnitRoot& root) {
  const UnitTables& tables = root.tables;
  const FormValue& low = attributes.low;
  const FormValue& high = attributes.high;
  // The unit's base address is its low_pc, given or indexed.
  std::uint64_t base = 0;
  if (!AddressOf(sources_, low, tables, base) && low.kind == Kind::kAddressIndex) return false;
  if (attributes.ranges.kind != Kind::kNone) {
    RangeListPlace place;
    place.unit = tables.shape;
    place.is_rnglists = tables.shape.version >= 5;
    place.base = base;
    place.addr_base = tables.addr_base;
    if (!RangeListOffset(tables.shape, attributes, place.offset)) return false;
    root.has_ranges = ReadRangeList(lists_, sources_, place, root.ranges);
    if (!root.has_ranges) root.ranges.clear();
    return root.has_ranges;
  }
  if (low.kind == Kind::kNone || high.kind == Kind::kNone) return true;
  // From version 4 on, a high_pc that is a constant is the length.
  std::uint64_t end = high.value;
  if (high.kind == Kind::kConstant) {
    end = base + high.value;
  } else if (high.kind == Kind::kAddressIndex && !AddressOf(sources_, high, tables, end)) {
    return false;
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
  if (!ReadIndexedOffset(sources_, DebugSection::kRnglists, unit.offset_size, table,
                         attributes.ranges.value, offset)) {
    return false;
  }
  offset += table;
  return true;
}

}  // namespace rt
