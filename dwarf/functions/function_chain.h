// The function that holds a code address in a unit of .debug_info, every
// inlined call inside it that holds the address, and their names. One
// entry reader serves both: the unit's walk passes over what cannot hold
// the address, keeps the functions' ranges and an outline of the scopes it
// entered, and goes on from where it stopped for the next address of the
// same unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "base/text.h"
#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "dwarf/functions/unit_walk.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/info/unit_entries.h"
#include "dwarf/info/unit_root.h"
#include "dwarf/line/unit_index.h"
#include "dwarf/strings.h"

namespace rt {

// A function or an inlined call that holds the address.
struct FunctionLink {
  std::int64_t entry = 0;  // its entry's offset in .debug_info
  bool inlined = false;    // an inlined call, with where it was called
  std::uint64_t call_file = 0, call_line = 0, call_column = 0;
  FormValue name;     // its DW_AT_name, where it has one
  FormValue linkage;  // its DW_AT_linkage_name, where it has one
  FormValue origin;   // its DW_AT_abstract_origin or DW_AT_specification
};

struct FunctionChain {
  // Deeper chains of inlined calls are cut at their outermost calls.
  static constexpr std::size_t kMaxLinks = 32;
  FunctionLink links[kMaxLinks];  // the function first, then the calls inward
  std::size_t count = 0;
  UnitSummary root;  // of the unit that holds them
};

class FunctionReader {
 public:
  explicit FunctionReader(const DebugSources& sources);

  // Where an offset in .debug_info finds its unit; without an index, units
  // are found by their lengths from the first.
  void SetIndex(const UnitIndex* index) { index_ = index; }
  // The chain of the unit that holds target; false where the unit holds no
  // function there or cannot be read.
  bool Find(const UnitSummary& unit, std::uint64_t target, FunctionChain& chain);
  // The same for the unit at offset, whose root is read here; chain.root
  // then tells where the next unit starts.
  bool Find(std::int64_t unit, std::uint64_t target, FunctionChain& chain);
  // The name of the link's function in that unit, qualified by the
  // namespaces and classes that enclose its declaration, without
  // parameters; empty where no entry names it.
  Text NameOf(const FunctionLink& link, const UnitSummary& unit);
  std::uint16_t io_error() const;

 private:
  // The units whose walks are kept: the one of the addresses, and those
  // that their references lead into.
  static constexpr std::size_t kWalks = 3;
  // The most references followed from one entry, and the deepest nesting
  // of scopes around a declaration that is read.
  static constexpr int kMaxHops = 8;
  static constexpr int kMaxDepth = 64;

  // What the chain's walk keeps of an entry's values.
  struct Values {
    CodePlace place;
    FunctionLink link;
    std::uint64_t sibling = 0;
  };
  // An entry's name and where its DW_AT_abstract_origin or
  // DW_AT_specification leads.
  struct Named {
    FormValue name, linkage, origin;
  };

  UnitWalk& WalkOf(const UnitSummary& unit);
  bool Walk(std::uint64_t target, bool thorough, FunctionChain& chain);
  bool ReadValues(const UnitEntry& entry, Values& values);
  bool Holds(const UnitRangeBase& unit, const CodePlace& place, std::uint64_t target);

  bool UnitOf(std::int64_t offset, UnitSummary& unit);
  bool ReadNamed(const UnitSummary& unit, std::int64_t offset, Named& named);
  std::int64_t Follow(const UnitSummary& from, const FormValue& reference) const;
  bool Qualify(const UnitSummary& unit, std::int64_t declaration, Text& name);

  DebugSources sources_;
  UnitEntries entries_;
  DwarfCursor lists_;
  StringTables strings_;
  UnitRootReader roots_;  // the units' roots where there is no index
  UnitRoot root_;
  const UnitIndex* index_ = nullptr;
  UnitWalk walks_[kWalks];
  std::uint64_t last_use_[kWalks] = {};
  std::uint64_t uses_ = 0;
  std::pmr::vector<AddressRange> ranges_;
};

}  // namespace rt
