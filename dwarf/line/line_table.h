// Looking code addresses up in a ".debug_line" section: the units in
// section order, each searched by the lookup rule of its line program.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <vector>

#include "base/source_frame.h"
#include "base/text.h"
#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/line/line_search.h"
#include "dwarf/line/unit_index.h"

namespace rt {

// Searches one file's line section. Where the file says which units hold
// which addresses (the unit index), those units are searched first (and
// every line program that no unit describes), in section order, and every
// unit only for an address they do not answer; otherwise every unit is, and
// what earlier lookups learnt of each unit (where its rows begin and end)
// lets later ones skip units that cannot answer for the address. The
// answers are the same either way; Forget drops what was learnt when the
// section changes.
class LineTable {
 public:
  LineTable() { cursor_.KeepIn(kept_); }
  LineTable(const LineTable&) = delete;
  LineTable& operator=(const LineTable&) = delete;

  // Looks up a link-time address: frames gets the source frame of the row
  // that covers it (one, the line table knowing nothing of inlined calls),
  // or none. Answers the I/O code of a read that failed, 0 when everything
  // could be read.
  std::uint16_t Lookup(const DebugSources& sources, std::uint64_t target, SourceFrames& frames);
  // Looks up several at once, each as Lookup would: a unit that several of
  // them need is read once.
  std::uint16_t LookupMany(const DebugSources& sources, const std::uint64_t* targets,
                           std::size_t count, SourceFrames* frames);
  // The index of the units, built the first time it is asked for whatever
  // the sections' storage; null where there can be none.
  const UnitIndex* Index(const DebugSources& sources, std::uint16_t& io_error);
  void Forget() {
    learnt_.clear();
    index_.Clear();
    index_tried_ = indexed_ = false;
  }
  // Searches every unit whatever the file says, to compare the two ways.
  void SetFullScan(bool full_scan) {
    full_scan_ = full_scan;
    Forget();
  }

 private:
  // What a search learnt of a unit, in section order: the addresses it can
  // answer for lie from its lowest sequence start to its highest row.
  struct LearntUnit {
    std::int64_t offset, next;
    bool known;  // the unit was read whole once
    std::uint64_t lowest_start, max_address;
  };
  // Half a megabyte at most: beyond it, units are simply read every time.
  static constexpr std::size_t kMaxLearntUnits = 16384;

  void Learn(std::size_t i, std::int64_t offset, std::int64_t next, const UnitFacts& facts);
  bool CannotHold(std::size_t i, std::int64_t offset, std::uint64_t target) const;

  // Each fills searches_[k] for the targets not yet found.
  void ScanEveryUnit(const DebugSources& sources, StringTables& strings);
  void SearchIndexed(const DebugSources& sources, StringTables& strings);
  // Searches the unit at offset for the targets batch_ names.
  std::int64_t SearchBatch(const DebugSources& sources, StringTables& strings, std::int64_t offset,
                           UnitFacts& facts);

  DwarfCursor cursor_;
  // A unit's header and file names, read again for each target it answers.
  std::uint8_t kept_[8192];
  std::pmr::vector<LearntUnit> learnt_;  // reserved whole at first use
  bool full_scan_ = false;
  bool index_tried_ = false, indexed_ = false;
  UnitIndex index_;
  // One lookup's work: every target's search, and those of one unit.
  std::pmr::vector<TargetSearch> searches_;
  std::pmr::vector<std::size_t> batch_;
  std::pmr::vector<TargetSearch> batch_searches_;
  std::pmr::vector<Text> names_;
};

}  // namespace rt
