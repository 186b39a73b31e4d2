// Decoding a unit's header and root entry.
#include "dwarf/info/unit_root.h"

#include "dwarf/info/entry_attributes.h"
#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

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
  // Without a .debug_info there is no unit to read.
  ByteSource* info = sources_[DebugSection::kInfo];
  if (info == nullptr || !ReadUnitHeader(info_, offset, info->Size(), header)) return false;
  root.offset = offset;
  root.next = header.next;
  // A unit this reader cannot take describes nothing; the next one still can.
  if (header.readable) root.malformed = !ReadRootEntry(header, want_ranges, root);
  return true;
}

bool UnitRootReader::ReadRootEntry(const UnitHeader& header, bool want_ranges, UnitRoot& root) {
  UnitTables& tables = root.unit.tables;
  tables.shape = header.shape;
  // Without a base of its own, a unit's strings are indexed from the table's
  // first entry, after its header.
  tables.str_offsets_base = header.shape.offset_size == 8 ? 16 : 8;
  abbreviations_.Open(header.abbrev_offset);
  const Abbreviation* abbreviation = abbreviations_.Find(info_.ReadULEB128());
  if (abbreviation == nullptr) return false;
  CodePlace place;
  EntryAttributes entry(info_, header.shape, abbreviations_.Attributes(*abbreviation));
  FormValue value;
  while (entry.Next()) {
    std::uint64_t attribute = entry.attribute();
    bool wanted = attribute == kAttrStmtList || attribute == kAttrLowPc ||
                  attribute == kAttrHighPc || attribute == kAttrRanges ||
                  attribute == kAttrStrOffsetsBase || attribute == kAttrAddrBase ||
                  attribute == kAttrGnuAddrBase || attribute == kAttrRnglistsBase ||
                  attribute == kAttrCompDir || attribute == kAttrLoclistsBase;
    if (wanted && entry.Value(value)) Keep(attribute, value, root, place);
  }
  if (!entry.ok()) return false;
  root.children = info_.Pos();
  root.has_children = abbreviation->has_children;
  // The unit's base address is its low_pc, given or indexed.
  if (!AddressOf(sources_, place.low, tables, root.unit.base) &&
      place.low.kind == Kind::kAddressIndex) {
    return false;
  }
  if (!want_ranges) return true;
  if (!ReadCodeRanges(lists_, sources_, root.unit, place, root.ranges)) {
    root.ranges.clear();
    return place.ranges.kind == Kind::kNone;
  }
  root.has_ranges = !root.ranges.empty();
  return true;
}

// Keeps a value of the root entry that says where the unit's line program,
// code and table entries lie.
void UnitRootReader::Keep(std::uint64_t attribute, const FormValue& value, UnitRoot& root,
                          CodePlace& place) {
  if (place.Keep(attribute, value)) return;
  switch (attribute) {
    case kAttrStmtList:
      if (IsOffset(value)) {
        root.has_program = true;
        root.program = value.value;
      }
      break;
    case kAttrStrOffsetsBase:
      root.unit.tables.str_offsets_base = value.value;
      break;
    case kAttrAddrBase:
    case kAttrGnuAddrBase:
      root.unit.tables.addr_base = value.value;
      break;
    case kAttrRnglistsBase:
      root.unit.rnglists_base = value.value;
      break;
    case kAttrCompDir:
      root.comp_dir = value;
      break;
    case kAttrLoclistsBase:
      root.loclists_base = value.value;
      break;
    default:
      break;
  }
}

}  // namespace rt
