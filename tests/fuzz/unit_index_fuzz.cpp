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
#include <cstring>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/line/unit_index.h"
#include "exe/byte_source.h"

namespace {

rt::DwarfCursor cursor;
rt::UnitIndex unit_index;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint64_t inside = 0;
  if (size < 8) return 0;
  std::memcpy(&inside, data, 8);
  std::size_t at = 8;
  rt::MemorySource sources[6];
  rt::ByteSource* present[6] = {};
  for (int i = 0; i < 6; ++i) {
    std::size_t length = 0;
    if (size - at >= 2) length = data[at] | std::size_t{data[at + 1]} << 8;
    at += size - at >= 2 ? 2 : size - at;
    if (length > size - at) length = size - at;
    sources[i] = rt::MemorySource(data + at, static_cast<std::int64_t>(length));
    if (length != 0) present[i] = &sources[i];
    at += length;
  }
  rt::DebugSources sections;
  using rt::DebugSection;
  const DebugSection kInOrder[6] = {DebugSection::kInfo,     DebugSection::kAbbrev,
                                    DebugSection::kAranges,  DebugSection::kRanges,
                                    DebugSection::kRnglists, DebugSection::kAddr};
  for (int i = 0; i < 6; ++i) sections.Set(kInOrder[i], present[i]);
  rt::MemorySource line(data + at, static_cast<std::int64_t>(size - at));
  sections.Set(DebugSection::kLine, &line);

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
