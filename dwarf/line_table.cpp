// Searching a line section unit by unit, skipping the units that earlier
// lookups showed cannot hold the address.
#include "dwarf/line_table.h"

namespace rt {

void LineTable::Remember(std::size_t i, std::int64_t offset, std::int64_t next,
                         const UnitSearch& search) {
  if (i >= units_.size()) {
    // Only the next unit in order can join, and only while there is room.
    if (i > units_.size() || units_.size() >= kMaxIndexedUnits) return;
    if (units_.capacity() == 0) units_.reserve(kMaxIndexedUnits);
    units_.push_back({offset, next, kUnknown, kUnknown});
  }
  UnitSpan& span = units_[i];
  if (search.has_first_address) span.first_address = search.first_address;
  if (search.scanned_whole) span.max_address = search.max_address;
}

bool LineTable::CannotHold(std::size_t i, std::int64_t offset, std::uint64_t target) const {
  if (i >= units_.size() || units_[i].offset != offset) return false;
  const UnitSpan& span = units_[i];
  return (span.first_address != kUnknown && target < span.first_address) ||
         (span.max_address != kUnknown && target > span.max_address);
}

bool LineTable::Lookup(const LineSections& sections, std::uint64_t target,
                       SourcePosition& position) {
  position = SourcePosition();
  if (sections.line == nullptr) return false;
  reader_.Bind(sections.line);
  std::int64_t offset = 0;
  std::int64_t end = sections.line->Size();
  UnitSearch search;
  for (std::size_t i = 0; offset < end && !search.found; ++i) {
    if (CannotHold(i, offset, target)) {
      offset = units_[i].next;
      continue;
    }
    std::int64_t next =
        ParseCompilationUnit(reader_, sections.strings, target, offset, end, search);
    Remember(i, offset, next, search);
    offset = next;
  }
  if (!search.found) return false;
  position.source = search.source;
  position.line = static_cast<std::int32_t>(search.line);
  return true;
}

}  // namespace rt
