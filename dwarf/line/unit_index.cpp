// Building the index of units and choosing the programs to search.
#include "dwarf/line/unit_index.h"

#include <algorithm>

#include "base/resource_object.h"
#include "dwarf/info/unit_root.h"

namespace rt {

namespace {

// What is known of a program: no unit's ranges describe it (searched for
// every address), some do, or a unit that names it could not be read.
enum : std::uint8_t { kUndescribed, kDescribed, kAlways };

// Nearby ranges of one unit are taken as one: the gap between them (padding
// between functions) holds no row of any other unit, and fewer ranges keep
// the index small.
constexpr std::uint64_t kJoinGap = 256;

// The index's readers, only while it is built.
struct Readers {
  explicit Readers(const DebugSources& sources) : roots(sources) {}
  DwarfCursor line, aranges;
  UnitRootReader roots;

  std::uint16_t io_error() const {
    if (line.io_error() != 0) return line.io_error();
    return aranges.io_error() != 0 ? aranges.io_error() : roots.io_error();
  }
};

}  // namespace

void UnitIndex::Clear() {
  programs_.clear();
  units_.clear();
  state_.clear();
  entries_.clear();
  reach_.clear();
  unranged_.clear();
  summaries_.clear();
}

FileResult UnitIndex::Build(const DebugSources& sources) {
  Clear();
  if (sources[DebugSection::kInfo] == nullptr) return {};
  // Five cursors and their buffers, over 100 KiB: kept off the stack.
  ResourcePtr<Readers> readers = MakeResourceObject<Readers>(sources);
  ListPrograms(readers->line, *sources[DebugSection::kLine]);

  std::pmr::vector<ArangeSet> sets;
  ByteSource* aranges = sources[DebugSection::kAranges];
  if (aranges != nullptr) ReadAranges(readers->aranges, *aranges, sets);
  std::sort(sets.begin(), sets.end(),
            [](const ArangeSet& a, const ArangeSet& b) { return a.unit < b.unit; });
  bool fits = DescribePrograms(readers->roots, sets);
  std::uint16_t io_error = readers->io_error();
  if (!fits || io_error != 0) {
    Clear();
    return {false, io_error};
  }
  return {Arrange(), 0};
}

// Every program of the line section, by the lengths that chain them, as the
// full scan finds them.
void UnitIndex::ListPrograms(DwarfCursor& cursor, ByteSource& line) {
  std::int64_t end = line.Size();
  cursor.Bind(&line);
  // Only the lengths are read.
  cursor.SetReadSize(12);
  UnitExtent unit;
  for (std::int64_t offset = 0; offset < end; offset = unit.next) {
    programs_.push_back(offset);
    cursor.EnterUnit(offset, end, unit);
  }
  state_.assign(programs_.size(), kUndescribed);
  units_.assign(programs_.size(), -1);
}

// Each unit's line program, described by the unit's set in .debug_aranges
// or else by its root entry's ranges; false when there are too many ranges.
bool UnitIndex::DescribePrograms(UnitRootReader& roots, const std::pmr::vector<ArangeSet>& sets) {
  UnitRoot root;
  for (std::int64_t offset = 0;; offset = root.next) {
    auto set =
        std::lower_bound(sets.begin(), sets.end(), static_cast<std::uint64_t>(offset),
                         [](const ArangeSet& s, std::uint64_t unit) { return s.unit < unit; });
    bool in_aranges = set != sets.end() && set->unit == static_cast<std::uint64_t>(offset);
    if (!roots.Read(offset, !in_aranges, root)) return true;
    summaries_.push_back(root);
    if (!root.has_program) continue;
    auto at = std::lower_bound(programs_.begin(), programs_.end(),
                               static_cast<std::int64_t>(root.program));
    // A line program that is not where the chain of lengths puts one is no
    // program the full scan would read.
    if (at == programs_.end() || *at != static_cast<std::int64_t>(root.program)) continue;
    std::size_t program = static_cast<std::size_t>(at - programs_.begin());
    units_[program] = offset;
    if (in_aranges) {
      Describe(program, set->ranges);
    } else if (root.malformed) {
      state_[program] = kAlways;
    } else if (root.has_ranges) {
      Describe(program, root.ranges);
    }
    if (entries_.size() > kMaxRanges) return false;
  }
}

void UnitIndex::Describe(std::size_t program, const std::pmr::vector<AddressRange>& ranges) {
  if (state_[program] == kUndescribed) state_[program] = kDescribed;
  std::size_t first = entries_.size();
  for (const AddressRange& range : ranges) {
    Entry* last = entries_.size() > first ? &entries_.back() : nullptr;
    if (last != nullptr && range.low >= last->low &&
        (range.low <= last->high || range.low - last->high <= kJoinGap)) {
      last->high = std::max(last->high, range.high);
    } else {
      entries_.push_back({range.low, range.high, static_cast<std::uint32_t>(program)});
    }
  }
}

// Sorts the ranges, each taken to end one byte later than it says: the row
// at a sequence's end answers for the address at it, and producers that
// give a unit's high_pc as its last byte rather than the first one after it
// end their ranges one byte short of the line table. Units whose ranges
// overlap (a header's inline function that every unit using it claims) are
// each searched only for the addresses they claim, in file order.
bool UnitIndex::Arrange() {
  for (Entry& e : entries_) {
    if (e.high != UINT64_MAX) ++e.high;
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return a.low < b.low; });
  std::erase_if(entries_, [this](const Entry& e) { return state_[e.program] == kAlways; });
  for (std::size_t p = 0; p < state_.size(); ++p) {
    if (state_[p] != kDescribed) unranged_.push_back(static_cast<std::uint32_t>(p));
  }
  reach_.resize(entries_.size());
  std::uint64_t reach = 0;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    reach = std::max(reach, entries_[i].high);
    reach_[i] = reach;
  }
  return true;
}

void UnitIndex::Candidates(std::uint64_t target, std::pmr::vector<std::int64_t>& programs) const {
  // Indices into programs_ first, which is in file order.
  programs.clear();
  auto after = std::upper_bound(entries_.begin(), entries_.end(), target,
                                [](std::uint64_t t, const Entry& e) { return t < e.low; });
  for (std::size_t i = static_cast<std::size_t>(after - entries_.begin()); i-- > 0;) {
    if (reach_[i] < target) break;
    if (target <= entries_[i].high) programs.push_back(entries_[i].program);
  }
  programs.insert(programs.end(), unranged_.begin(), unranged_.end());
  std::sort(programs.begin(), programs.end());
  programs.erase(std::unique(programs.begin(), programs.end()), programs.end());
  for (std::int64_t& p : programs) p = programs_[static_cast<std::size_t>(p)];
}

void UnitIndex::CandidateUnits(std::uint64_t target, std::pmr::vector<std::int64_t>& units) const {
  Candidates(target, units);
  std::size_t kept = 0;
  for (std::int64_t program : units) {
    auto at = std::lower_bound(programs_.begin(), programs_.end(), program);
    std::int64_t unit = units_[static_cast<std::size_t>(at - programs_.begin())];
    if (unit >= 0) units[kept++] = unit;
  }
  units.resize(kept);
}

const UnitSummary* UnitIndex::UnitAt(std::int64_t offset) const {
  const UnitSummary* unit = UnitHolding(offset);
  return unit != nullptr && unit->offset == offset ? unit : nullptr;
}

// The units lie in file order, each up to the next one's offset.
const UnitSummary* UnitIndex::UnitHolding(std::int64_t offset) const {
  auto after = std::upper_bound(summaries_.begin(), summaries_.end(), offset,
                                [](std::int64_t o, const UnitSummary& u) { return o < u.offset; });
  if (after == summaries_.begin()) return nullptr;
  const UnitSummary& unit = *(after - 1);
  return offset < unit.next ? &unit : nullptr;
}

}  // namespace rt
