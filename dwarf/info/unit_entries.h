// The entries of one unit of .debug_info, read one after another from a
// position: each one's tag, whether children follow it, and its attributes.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/info/abbreviations.h"
#include "dwarf/info/entry_attributes.h"
#include "dwarf/info/unit_header.h"

namespace rt {

struct UnitEntry {
  std::int64_t offset = 0;  // from the unit's first byte
  // Null for the entry that ends a list of children.
  const Abbreviation* abbreviation = nullptr;

  std::uint32_t tag() const { return abbreviation != nullptr ? abbreviation->tag : 0; }
  bool has_children() const { return abbreviation != nullptr && abbreviation->has_children; }
};

class UnitEntries {
 public:
  explicit UnitEntries(const DebugSources& sources);

  // Enters the unit at offset of .debug_info, keeping the unit entered
  // already; false where its header cannot be read or takes a version or
  // size this reader does not.
  bool Enter(std::int64_t offset);
  const UnitHeader& header() const { return header_; }
  // Whether offset of .debug_info lies in the unit entered.
  bool Holds(std::int64_t offset) const {
    return entered_ && offset >= header_.shape.offset && offset < header_.next;
  }

  // Positions are from the unit's first byte.
  void Seek(std::int64_t position) { info_.Seek(position); }
  std::int64_t Pos() const { return info_.Pos(); }
  // Reads the code of the entry at the position, leaving the cursor at its
  // values; false at an unknown code or the unit's end.
  bool Next(UnitEntry& entry);
  // The values of the entry Next read last.
  EntryAttributes Attributes(const UnitEntry& entry) {
    return EntryAttributes(info_, header_.shape, abbreviations_.Attributes(*entry.abbreviation));
  }
  // Passes over the children of an entry whose values have been read: to
  // its sibling where it names one ahead, else entry by entry.
  bool SkipChildren(const UnitEntry& entry, std::uint64_t sibling) {
    return SkipChildren(entry.has_children(), sibling);
  }
  // The same for an entry whose abbreviation may since have moved (more
  // abbreviations were read): whether it has children, as it said.
  bool SkipChildren(bool has_children, std::uint64_t sibling);
  std::uint16_t io_error() const;

 private:
  DebugSources sources_;
  DwarfCursor info_;
  AbbrevTable abbreviations_;
  UnitHeader header_;
  bool entered_ = false;
};

}  // namespace rt
