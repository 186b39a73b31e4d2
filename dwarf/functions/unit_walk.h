// One walk over the entries of a unit, resumed where it stopped for each
// later question about the same unit: into every namespace and class, over
// the children of everything else. It keeps the ranges of the functions it
// passed, so that an address they hold is answered without walking again,
// and an outline of the namespaces and classes it entered, so that a name
// declared in them is qualified without walking again from the unit's
// first child. Both are bounded: past their bounds the walk is lossy, and
// its owner walks the old way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/info/code_ranges.h"
#include "dwarf/info/unit_entries.h"
#include "dwarf/info/unit_root.h"

namespace rt {

// A namespace or class the walk entered.
struct ScopeRecord {
  static constexpr std::int64_t kOpen = INT64_MAX;
  std::int64_t start = 0;    // its entry, from the unit's first byte
  std::int64_t end = kOpen;  // past its children; kOpen while the walk is inside it
  std::int32_t parent = -1;  // the record of the scope around it, -1 at the unit's top
  std::uint32_t tag = 0;
  bool declares = false;  // a function's entry lies directly inside it
};

class UnitWalk {
 public:
  // The most function ranges and scopes one walk keeps.
  static constexpr std::size_t kMaxFunctionRanges = 8192;
  static constexpr std::size_t kMaxScopes = 4096;

  UnitWalk(const DebugSources& sources, UnitEntries& entries, DwarfCursor& lists)
      : sources_(sources), entries_(entries), lists_(lists) {}

  // Starts over in the unit, whose entries the caller has entered.
  void Start(const UnitSummary& unit);
  const UnitSummary& unit() const { return unit_; }
  bool started() const { return started_; }
  // The entries could not be read on; something was left out of what the
  // walk kept, past its bounds.
  bool failed() const { return failed_; }
  bool lossy() const { return lossy_; }

  // The entry (from the unit's first byte) of the first function outside
  // other functions that holds target, walking on as far as needed; -1
  // where none does or the entries cannot be read.
  std::int64_t FunctionAt(std::uint64_t target);
  // The scopes around the entry at offset (from the unit's first byte),
  // outermost first, into scopes (room for count); how many. Walks on past
  // the entry first; -1 where the outline cannot tell.
  int ScopesAround(std::int64_t offset, const ScopeRecord** scopes, int count);

 private:
  struct FunctionRange {
    std::uint64_t low, high;
    std::int64_t entry;
  };

  // Walks on until a function that holds target is passed (its entry is
  // found) or the walk is past offset `until`; false where it cannot.
  bool WalkOn(const std::uint64_t* target, std::int64_t until, std::int64_t& found);
  bool Step(const std::uint64_t* target, std::int64_t& found);
  bool Keep(std::int64_t entry, const CodePlace& place, const std::uint64_t* target);
  void Open(std::int64_t start, std::uint32_t tag);
  void Close(std::int64_t end);
  std::int64_t Recorded(std::uint64_t target) const;

  const DebugSources& sources_;
  UnitEntries& entries_;
  DwarfCursor& lists_;
  UnitSummary unit_;
  bool started_ = false, ended_ = false, lossy_ = false, failed_ = false;
  std::int64_t position_ = 0;  // where the walk goes on, from the unit's first byte
  // The entry at position_ holds a target and was kept: the walk goes on
  // past its children.
  bool revisit_ = false;
  std::int32_t open_ = -1;  // the innermost scope the walk is inside
  std::pmr::vector<FunctionRange> functions_;
  std::pmr::vector<ScopeRecord> scopes_;
  std::pmr::vector<AddressRange> ranges_;
};

}  // namespace rt
