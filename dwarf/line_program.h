// The line-number program of one unit of a ".debug_line" section: the
// state machine, and the search for the row that covers a code address.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "dwarf/line_header.h"
#include "dwarf/line_reader.h"

namespace rt {

// The line-number state machine's registers.
struct TMachineState {
  std::uint64_t address;
  std::int32_t file;
  std::int64_t line;
  std::int32_t column;
  bool is_stmt;
  bool basic_block;
  bool end_sequence;
  bool prologue_end;
  bool epilogue_begin;
  std::int32_t isa;
  std::uint32_t op_index;  // position inside a very long instruction word
  bool row_ready;
};

void InitStateRegisters(TMachineState& state, bool default_is_stmt);

// The search of one unit for one of several targets.
struct TargetSearch {
  std::uint64_t target = 0;
  bool done = false;  // found, or ended by a sequence that starts above it
  bool found = false;
  bool remembered = false;  // a row below the target was met
  std::int32_t file = 0;
  std::int64_t line = 0;
  std::int32_t name = -1;  // with found: the remembered row's file name, in names

  void Reset() {
    std::uint64_t keep = target;
    *this = TargetSearch();
    target = keep;
  }
};

// What a search learnt of the unit itself, whatever its targets.
struct UnitFacts {
  bool has_first_address = false;
  std::uint64_t first_address = 0;
  bool scanned_whole = false;  // the unit was read to its end
  std::uint64_t max_address = 0;
};

// Searches the unit at the offset for every target at once, each by the
// rule of a single search: running the unit's program once, however many
// targets it is searched for. The targets come in increasing order; the
// file names of their answers are added to names, one for each file.
// Returns the offset of the next unit.
std::int64_t SearchUnit(LineReader& reader, const StringSections& strings, std::int64_t offset,
                        std::int64_t section_end, TargetSearch* targets, std::size_t count,
                        UnitFacts& facts, std::vector<Text>& names);

// The offset of the unit after the one at offset, from the length that the
// reader's window starts with: the section's end where that cannot be read,
// and no further than the section's end.
std::int64_t NextUnit(LineReader& reader, std::int64_t offset, std::int64_t section_end);

}  // namespace rt
