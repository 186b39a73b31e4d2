// Arbitrary bytes as a ".debug_line" section: every unit is searched for a
// few addresses, with names resolved; the reader must answer, never crash,
// hang or read outside the section.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dwarf/cursor.h"
#include "dwarf/line/line_search.h"
#include "exe/byte_source.h"

namespace {

rt::DwarfCursor cursor;

// The section is the whole input; the string sections are its second half,
// so that names kept there are looked up too.
void Search(rt::ByteSource& line, rt::StringTables& strings, std::uint64_t target) {
  std::int64_t size = line.Size();
  for (std::int64_t offset = 0; offset < size;) {
    rt::TargetSearch search;
    search.target = target;
    rt::UnitFacts facts;
    std::pmr::vector<rt::Text> names;
    std::int64_t next = rt::SearchUnit(cursor, strings, offset, size, &search, 1, facts, names);
    if (next <= offset || next > size) __builtin_trap();  // units must move forward
    if (search.found && (search.name < 0 || static_cast<std::size_t>(search.name) >= names.size() ||
                         names[static_cast<std::size_t>(search.name)].length == 0)) {
      __builtin_trap();
    }
    offset = next;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::int64_t n = static_cast<std::int64_t>(size);
  rt::MemorySource line(data, n);
  rt::MemorySource second_half(data + n / 2, n - n / 2);
  rt::DebugSources sources;
  sources.Set(rt::DebugSection::kLineStr, &second_half);
  sources.Set(rt::DebugSection::kStr, &second_half);
  rt::StringTables strings(sources);
  cursor.Bind(&line);
  std::uint64_t inside = 0;
  if (size >= 8) __builtin_memcpy(&inside, data + size - 8, 8);
  for (std::uint64_t target :
       {std::uint64_t{0}, std::uint64_t{0x1000}, inside, ~std::uint64_t{0}}) {
    Search(line, strings, target);
  }
  return 0;
}
