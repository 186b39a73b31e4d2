// The function that holds a code address in a unit of .debug_info, and
// every inlined call inside it that holds the address: one walk of the
// unit's entries, passing over those that cannot hold it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "dwarf/info/address_ranges.h"
#include "dwarf/info/unit_entries.h"
#include "dwarf/info/unit_root.h"

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
  UnitRoot root;  // of the unit that holds them
};

class FunctionChainReader {
 public:
  explicit FunctionChainReader(const DebugSources& sources)
      : sources_(sources), roots_(sources), entries_(sources) {}

  // The chain of the unit at offset that holds target; false where the
  // unit holds no function there or cannot be read.
  bool Find(std::int64_t unit, std::uint64_t target, FunctionChain& chain);
  std::uint16_t io_error() const;

 private:
  // What the walk keeps of an entry's values.
  struct Values {
    CodePlace place;
    FunctionLink link;
    std::uint64_t sibling = 0;
  };

  bool ReadValues(const UnitEntry& entry, Values& values);
  bool Holds(const UnitRangeBase& unit, const CodePlace& place, std::uint64_t target);
  bool Walk(std::uint64_t target, bool thorough, FunctionChain& chain);

  DebugSources sources_;
  UnitRootReader roots_;
  UnitEntries entries_;
  DwarfCursor lists_;
  std::pmr::vector<AddressRange> ranges_;
};

}  // namespace rt
