// Looking code addresses up in a ".debug_line" section: the units in
// section order, each searched by the lookup rule of its line program.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "dwarf/line_program.h"
#include "dwarf/line_reader.h"
#include "exe/byte_source.h"

namespace rt {

// The line section of one file, and the string sections its names point into.
struct LineSections {
  ByteSource* line = nullptr;
  StringSections strings;
};

// Where the table puts a code address: the file name and line of the row
// that covers it. No unit covers it while source is empty.
struct SourcePosition {
  Text source;
  std::int32_t line = 0;
};

// Searches one file's line section. A small index of what earlier lookups
// learnt about each unit lets later ones skip units that cannot hold the
// address, with the same answers; Forget drops it when the section changes.
class LineTable {
 public:
  // Looks up a link-time address; true when a unit covers it.
  bool Lookup(const LineSections& sections, std::uint64_t target, SourcePosition& position);
  void Forget() { units_.clear(); }

 private:
  struct UnitSpan {
    std::int64_t offset, next;
    std::uint64_t first_address;  // kUnknown until seen
    std::uint64_t max_address;    // kUnknown until the unit was read whole
  };
  static constexpr std::uint64_t kUnknown = UINT64_MAX;
  // Half a megabyte at most: beyond it, units are simply read every time.
  static constexpr std::size_t kMaxIndexedUnits = 16384;

  void Remember(std::size_t i, std::int64_t offset, std::int64_t next, const UnitSearch& search);
  bool CannotHold(std::size_t i, std::int64_t offset, std::uint64_t target) const;

  LineReader reader_;
  std::vector<UnitSpan> units_;  // in section order; reserved whole at first use
};

}  // namespace rt
