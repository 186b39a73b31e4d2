// Looking code addresses up in a ".debug_line" section: the units in
// section order, each searched by the lookup rule of its line program.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "dwarf/address_ranges.h"
#include "dwarf/line_program.h"
#include "dwarf/line_reader.h"
#include "dwarf/unit_index.h"
#include "exe/byte_source.h"

namespace rt {

// The line section of one file, the string sections its names point into,
// and the sections that say which units hold which addresses.
struct LineSections {
  ByteSource* line = nullptr;
  StringSections strings;
  InfoSections info;
};

// Where the table puts a code address: the file name and line of the row
// that covers it. No unit covers it while source is empty.
struct SourcePosition {
  Text source;
  std::int32_t line = 0;
};

// Searches one file's line section. Where the file says which units hold
// which addresses, only those units are searched (and every line program
// that no unit describes), in section order; otherwise every unit is, and a
// small index of what earlier lookups learnt about each unit lets later ones
// skip units that cannot hold the address. The answers are the same either
// way; Forget drops what was learnt when the section changes.
class LineTable {
 public:
  // Looks up a link-time address; true when a unit covers it.
  bool Lookup(const LineSections& sections, std::uint64_t target, SourcePosition& position);
  // Looks up several at once, each as Lookup would: a unit that several of
  // them need is read once.
  void LookupMany(const LineSections& sections, const std::uint64_t* targets, std::size_t count,
                  SourcePosition* positions);
  void Forget() {
    units_.clear();
    index_.Clear();
    index_tried_ = false;
  }
  // Searches every unit whatever the file says, to compare the two ways.
  void SetFullScan(bool full_scan) {
    full_scan_ = full_scan;
    Forget();
  }

 private:
  struct UnitSpan {
    std::int64_t offset, next;
    std::uint64_t first_address;  // kUnknown until seen
    std::uint64_t max_address;    // kUnknown until the unit was read whole
  };
  static constexpr std::uint64_t kUnknown = UINT64_MAX;
  // Half a megabyte at most: beyond it, units are simply read every time.
  static constexpr std::size_t kMaxIndexedUnits = 16384;

  void Remember(std::size_t i, std::int64_t offset, std::int64_t next, const UnitFacts& facts);
  bool CannotHold(std::size_t i, std::int64_t offset, std::uint64_t target) const;

  // Each fills searches_[k] for the targets not yet found.
  void ScanEveryUnit(const LineSections& sections);
  void SearchIndexed(const LineSections& sections);
  // Searches the unit at offset for the targets batch_ names.
  std::int64_t SearchBatch(const LineSections& sections, std::int64_t offset, UnitFacts& facts);

  LineReader reader_;
  std::vector<UnitSpan> units_;  // in section order; reserved whole at first use
  bool full_scan_ = false;
  bool index_tried_ = false, indexed_ = false;
  UnitIndex index_;
  // One lookup's work: every target's search, and those of one unit.
  std::vector<TargetSearch> searches_;
  std::vector<std::size_t> batch_;
  std::vector<TargetSearch> batch_searches_;
  std::vector<Text> names_;
};

}  // namespace rt
