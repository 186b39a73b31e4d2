// Reading a unit's entries in order.
#include "dwarf/info/unit_entries.h"

namespace rt {

UnitEntries::UnitEntries(const DebugSources& sources) : sources_(sources) {
  info_.Bind(sources[DebugSection::kInfo]);
  abbreviations_.Bind(sources[DebugSection::kAbbrev]);
}

std::uint16_t UnitEntries::io_error() const {
  return info_.io_error() != 0 ? info_.io_error() : abbreviations_.io_error();
}

bool UnitEntries::Enter(std::int64_t offset) {
  ByteSource* info = sources_[DebugSection::kInfo];
  if (info == nullptr) return false;
  if (entered_ && header_.shape.offset == offset) return true;
  // A unit this reader cannot take is not entered: another's abbreviations
  // must not read its entries.
  entered_ = ReadUnitHeader(info_, offset, info->Size(), header_) && header_.readable;
  if (!entered_) return false;
  abbreviations_.Open(header_.abbrev_offset);
  return true;
}

bool UnitEntries::Next(UnitEntry& entry) {
  entry.offset = info_.Pos();
  std::uint64_t code = info_.ReadULEB128();
  if (!info_.ok()) return false;
  entry.abbreviation = code == 0 ? nullptr : abbreviations_.Find(code);
  return code == 0 || entry.abbreviation != nullptr;
}

bool UnitEntries::SkipChildren(bool has_children, std::uint64_t sibling) {
  if (!has_children) return true;
  if (sibling > static_cast<std::uint64_t>(info_.Pos()) &&
      sibling < static_cast<std::uint64_t>(info_.Limit())) {
    info_.Seek(static_cast<std::int64_t>(sibling));
    return true;
  }
  // Every entry takes at least its code's byte: the unit's end bounds this.
  for (std::uint64_t depth = 1; depth > 0;) {
    UnitEntry child;
    if (!Next(child)) return false;
    if (child.abbreviation == nullptr) {
      --depth;
      continue;
    }
    if (!Attributes(child).SkipRest()) return false;
    depth += child.has_children();
  }
  return true;
}

}  // namespace rt
