// Which line programs may hold a code address, so that a lookup reads only
// those: built from .debug_aranges, or where a unit has no set there, from
// the address ranges of the unit's root entry in .debug_info.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/debug_sections.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/info/unit_root.h"
#include "exe/file_io.h"

namespace rt {

class UnitIndex {
 public:
  // The most ranges the index keeps (nearby ones of a unit joined here);
  // a program with more is searched unit by unit.
  static constexpr std::size_t kMaxRanges = 16384;

  // Builds the index of the line section's programs; false when there can
  // be none (no .debug_info, or too many ranges), or a read failed.
  FileResult Build(const DebugSources& sources);
  void Clear();

  // The offsets of the line programs to search for a link-time address, in
  // file order: those whose units' ranges hold it (their ends included: the
  // row at a sequence's end answers for it), and those that no unit's
  // ranges describe.
  void Candidates(std::uint64_t target, std::pmr::vector<std::int64_t>& programs) const;
  // The offsets in .debug_info of the units whose line programs Candidates
  // names, in the same order.
  void CandidateUnits(std::uint64_t target, std::pmr::vector<std::int64_t>& units) const;
  // What the index read of the unit at offset, and of the unit that holds
  // offset; null for none.
  const UnitSummary* UnitAt(std::int64_t offset) const;
  const UnitSummary* UnitHolding(std::int64_t offset) const;

 private:
  struct Entry {
    std::uint64_t low, high;
    std::uint32_t program;  // index into programs_
  };

  void ListPrograms(DwarfCursor& cursor, ByteSource& line);
  bool DescribePrograms(UnitRootReader& roots, const std::pmr::vector<ArangeSet>& sets);
  void Describe(std::size_t program, const std::pmr::vector<AddressRange>& ranges);
  bool Arrange();

  std::pmr::vector<std::int64_t> programs_;   // every program's offset, in file order
  std::pmr::vector<std::int64_t> units_;      // per program: its unit's offset, -1 for none
  std::pmr::vector<std::uint8_t> state_;      // per program: kUndescribed, kDescribed or kAlways
  std::pmr::vector<Entry> entries_;           // sorted by low
  std::pmr::vector<std::uint64_t> reach_;     // the highest high of entries_[0..i]
  std::pmr::vector<std::uint32_t> unranged_;  // the programs searched for every address
  std::pmr::vector<UnitSummary> summaries_;   // every unit's, in file order
};

}  // namespace rt
