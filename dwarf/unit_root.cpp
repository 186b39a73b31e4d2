// Decoding a unit's header and root entry.
#include "dwarf/unit_root.h"

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
// A root entry and its abbreviation fit this; a longer one is no unit this
// index can describe.
constexpr std::int64_t kRootWindow = 4096;

}  // namespace

bool UnitRootReader::Read(std::int64_t offset, bool want_ranges, UnitRoot& root) {
  root = UnitRoot();
  std::int64_t size = sections_.info->Size();
  if (offset >= size) return false;
  // The header and the root entry lie at the unit's start.
  info_.Init(offset, size - offset < kRootWindow ? size - offset : kRootWindow);
  UnitShape unit;
  std::uint64_t length = info_.ReadUnsigned(4);
  int header = 4;
  if (length == 0xFFFFFFFF) {
    length = info_.ReadUnsigned(8);
    header = 12;
    unit.offset_size = 8;
  }
  if (info_.Exhausted() || length > static_cast<std::uint64_t>(size - offset - header)) {
    return false;
  }
  root.next = offset + header + static_cast<std::int64_t>(length);
  std::int64_t window = root.next - offset < kRootWindow ? root.next - offset : kRootWindow;
  info_.Init(offset, window);
  info_.Seek(header);
  unit.version = info_.ReadUHalf();
  std::uint64_t abbrev_offset;
  std::uint8_t unit_type = 0x01;
  if (unit.version >= 5) {
    unit_type = static_cast<std::uint8_t>(info_.ReadUnsigned(1));
    unit.address_size = static_cast<std::uint8_t>(info_.ReadUnsigned(1));
    abbrev_offset = info_.ReadUnsigned(unit.offset_size);
    if (unit_type == kSkeleton || unit_type == kSplitCompile) info_.Skip(8);
    if (unit_type == kType || unit_type == kSplitType) info_.Skip(8 + unit.offset_size);
  } else {
    abbrev_offset = info_.ReadUnsigned(unit.offset_size);
    unit.address_size = static_cast<std::uint8_t>(info_.ReadUnsigned(1));
  }
  // A unit this reader cannot take describes nothing; the next one still can.
  if (info_.Exhausted() || unit.version < 2 || unit.version > 5 ||
      (unit.address_size != 4 && unit.address_size != 8)) {
    return true;
  }
  root.malformed = !ReadRootEntry(unit, abbrev_offset, want_ranges, root);
  return true;
}

bool UnitRootReader::ReadRootEntry(const UnitShape& unit, std::uint64_t abbrev_offset,
                                   bool want_ranges, UnitRoot& root) {
  std::uint64_t code = info_.ReadULEB128();
  ByteSource* abbrev = sections_.abbrev;
  if (code == 0 || abbrev == nullptr ||
      abbrev_offset >= static_cast<std::uint64_t>(abbrev->Size())) {
    return false;
  }
  // The abbreviation of that code: entries of a code, a tag, a children
  // flag and pairs of attribute and form, up to a code of 0.
  abbrev_.Init(static_cast<std::int64_t>(abbrev_offset),
               abbrev->Size() - static_cast<std::int64_t>(abbrev_offset));
  for (;;) {
    std::uint64_t entry = abbrev_.ReadULEB128();
    if (entry == 0 || abbrev_.Exhausted()) return false;
    abbrev_.ReadULEB128();  // tag
    abbrev_.ReadNext();     // children
    if (entry == code) break;
    for (std::uint64_t attribute = 1, form = 1; attribute != 0 || form != 0;) {
      attribute = abbrev_.ReadULEB128();
      form = abbrev_.ReadULEB128();
      if (form == kFormImplicitConst) abbrev_.ReadLEB128();
      if (abbrev_.Exhausted()) return false;
    }
  }

  FormValue low, high, ranges, addr_base, rnglists_base;
  for (;;) {
    std::uint64_t attribute = abbrev_.ReadULEB128(), form = abbrev_.ReadULEB128();
    std::int64_t implicit = form == kFormImplicitConst ? abbrev_.ReadLEB128() : 0;
    if (abbrev_.Exhausted()) return false;
    if (attribute == 0 && form == 0) break;
    FormValue value;
    if (!ReadForm(info_, form, unit, implicit, value) || info_.Exhausted()) return false;
    switch (attribute) {
      case kStmtList:
        if (value.kind == FormValue::Kind::kOffset || value.kind == FormValue::Kind::kConstant) {
          root.has_program = true;
          root.program = value.value;
        }
        break;
      case kLowPc:
        low = value;
        break;
      case kHighPc:
        high = value;
        break;
      case kRanges:
        ranges = value;
        break;
      case kAddrBase:
      case kGnuAddrBase:
        addr_base = value;
        break;
      case kRnglistsBase:
        rnglists_base = value;
        break;
      default:
        break;
    }
  }
  if (!want_ranges) return true;

  // The unit's base address is its low_pc, given or indexed.
  std::uint64_t base = 0;
  if (low.kind == FormValue::Kind::kAddressIndex) {
    if (!ReadIndexedAddress(sections_, unit, addr_base.value, low.value, base)) return false;
  } else if (low.kind == FormValue::Kind::kAddress) {
    base = low.value;
  }
  if (ranges.kind != FormValue::Kind::kNone) {
    RangeListPlace place;
    place.unit = unit;
    place.is_rnglists = unit.version >= 5;
    place.base = base;
    place.addr_base = addr_base.value;
    if (ranges.kind == FormValue::Kind::kListIndex) {
      // An index into the offsets that follow the list table's header.
      ByteSource* lists = sections_.rnglists;
      std::uint64_t at = rnglists_base.value + ranges.value * unit.offset_size;
      std::uint8_t bytes[8] = {};
      if (lists == nullptr || at < rnglists_base.value ||
          lists->ReadAt(static_cast<std::int64_t>(at), bytes, unit.offset_size) !=
              unit.offset_size) {
        return false;
      }
      std::uint64_t relative = unit.offset_size == 8 ? Le64(bytes) : Le32(bytes);
      place.offset = rnglists_base.value + relative;
    } else {
      place.offset = ranges.value;
    }
    root.has_ranges = ReadRangeList(lists_, sections_, place, root.ranges);
    if (!root.has_ranges) root.ranges.clear();
    return root.has_ranges;
  }
  if (low.kind == FormValue::Kind::kNone || high.kind == FormValue::Kind::kNone) return true;
  // From version 4 on, a high_pc that is a constant is the length.
  std::uint64_t end = high.value;
  if (high.kind == FormValue::Kind::kAddressIndex) {
    if (!ReadIndexedAddress(sections_, unit, addr_base.value, high.value, end)) return false;
  } else if (high.kind == FormValue::Kind::kConstant) {
    end = base + high.value;
  }
  if (end > base) {
    root.ranges.push_back({base, end});
    root.has_ranges = true;
  }
  return true;
}

}  // namespace rt
