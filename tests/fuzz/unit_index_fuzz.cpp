// Arbitrary bytes as the sections that the index of units reads, and a line
// section: the index is built and asked for a few addresses; it must answer
// with programs where the chain of unit lengths puts them, in file order,
// never crash, hang or read outside a section.
//
// The input: an address (8 bytes), then .debug_info, .debug_abbrev,
// .debug_aranges, .debug_ranges, .debug_rnglists and .debug_addr, each
// after its 2-byte length (0: absent), then .debug_line, the rest.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/line/unit_index.h"
#include "section_input.h"

namespace {

rt::DwarfCursor cursor;
rt::UnitIndex unit_index;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using rt::DebugSection;
  static constexpr DebugSection kInOrder[] = {DebugSection::kInfo,     DebugSection::kAbbrev,
                                              DebugSection::kAranges,  DebugSection::kRanges,
                                              DebugSection::kRnglists, DebugSection::kAddr};
  SectionInput<std::size(kInOrder)> input;
  if (!input.Split(data, size, kInOrder)) return 0;
  const rt::DebugSources& sections = input.sections;
  const std::uint64_t inside = input.address;
  rt::MemorySource& line = input.line;

  // Where the programs start, by the lengths that chain them.
  std::vector<std::int64_t> programs;
  std::int64_t end = line.Size();
  cursor.Bind(&line);
  for (std::int64_t offset = 0; offset < end;) {
    programs.push_back(offset);
    rt::UnitExtent unit;
    cursor.EnterUnit(offset, end, unit);
    if (unit.next <= offset) __builtin_trap();
    offset = unit.next;
  }

  if (!unit_index.Build(sections)) return 0;
  std::pmr::vector<std::int64_t> candidates;
  for (std::uint64_t target : {std::uint64_t{0}, inside, ~std::uint64_t{0}}) {
    unit_index.Candidates(target, candidates);
    std::size_t next = 0;  // candidates come in file order, each once
    for (std::int64_t program : candidates) {
      while (next < programs.size() && programs[next] < program) ++next;
      if (next == programs.size() || programs[next] != program) __builtin_trap();
      ++next;
    }
  }
  return 0;
}
