// Searching a line section: the units that may hold the addresses, or every
// unit, skipping those that earlier lookups showed cannot hold them.
#include "dwarf/line/line_table.h"

#include <algorithm>
#include <utility>

namespace rt {

void LineTable::Learn(std::size_t i, std::int64_t offset, std::int64_t next,
                      const UnitFacts& facts) {
  if (i >= learnt_.size()) {
    // Only the next unit in order can join, and only while there is room.
    if (i > learnt_.size() || learnt_.size() >= kMaxLearntUnits) return;
    if (learnt_.capacity() == 0) learnt_.reserve(kMaxLearntUnits);
    learnt_.push_back({offset, next, false, 0, 0});
  }
  LearntUnit& unit = learnt_[i];
  if (!facts.scanned_whole) return;
  unit.known = true;
  unit.lowest_start = facts.lowest_start;
  unit.max_address = facts.max_address;
}

bool LineTable::CannotHold(std::size_t i, std::int64_t offset, std::uint64_t target) const {
  if (i >= learnt_.size() || learnt_[i].offset != offset) return false;
  const LearntUnit& unit = learnt_[i];
  return unit.known && (target < unit.lowest_start || target > unit.max_address);
}

const UnitIndex* LineTable::Index(const DebugSources& sources, std::uint16_t& io_error) {
  if (!index_tried_) {
    index_tried_ = true;
    FileResult built = index_.Build(sources);
    indexed_ = built.ok;
    io_error = built.io_error;
  }
  return indexed_ ? &index_ : nullptr;
}

std::uint16_t LineTable::Lookup(const DebugSources& sources, std::uint64_t target,
                                SourceFrames& frames) {
  return LookupMany(sources, &target, 1, &frames);
}

std::uint16_t LineTable::LookupMany(const DebugSources& sources, const std::uint64_t* targets,
                                    std::size_t count, SourceFrames* frames) {
  for (std::size_t k = 0; k < count; ++k) frames[k].clear();
  ByteSource* line = sources[DebugSection::kLine];
  if (line == nullptr || count == 0) return 0;
  std::uint16_t index_error = 0;
  // An index read from a compressed .debug_info costs the decoding of all
  // of it, several times what the scan of the line programs it spares.
  if (!full_scan_ && !sources.IsCompressed(DebugSection::kInfo)) Index(sources, index_error);
  cursor_.Bind(line);
  StringTables strings(sources);
  searches_.assign(count, TargetSearch());
  names_.clear();
  for (std::size_t k = 0; k < count; ++k) searches_[k].target = targets[k];
  // Producers' ranges may leave out whole sequences of a unit (code the
  // compiler made itself, such as a module's constructor): every unit is
  // searched for what the units the index names do not answer, and for
  // what they answer at a sequence's first row, where an earlier unit whose
  // sequence ends there answers first.
  if (indexed_ && !full_scan_) {
    SearchIndexed(sources, strings);
    for (TargetSearch& search : searches_) {
      if (search.at_sequence_start) search.Reset();
    }
  }
  ScanEveryUnit(sources, strings);
  for (std::size_t k = 0; k < count; ++k) {
    if (!searches_[k].found) continue;
    SourceFrame& frame = frames[k].emplace_back();
    frame.file = names_[static_cast<std::size_t>(searches_[k].name)];
    frame.line = static_cast<std::int32_t>(searches_[k].line);
    frame.column = searches_[k].column;
    frame.program = searches_[k].program;
    frame.file_index = static_cast<std::uint32_t>(searches_[k].file);
  }
  if (index_error != 0) return index_error;
  return cursor_.io_error() != 0 ? cursor_.io_error() : strings.io_error();
}

std::int64_t LineTable::SearchBatch(const DebugSources& sources, StringTables& strings,
                                    std::int64_t offset, UnitFacts& facts) {
  std::sort(batch_.begin(), batch_.end(), [this](std::size_t a, std::size_t b) {
    return searches_[a].target < searches_[b].target;
  });
  batch_searches_.clear();
  for (std::size_t k : batch_) batch_searches_.push_back(searches_[k]);
  std::int64_t next = SearchUnit(cursor_, strings, offset, sources[DebugSection::kLine]->Size(),
                                 batch_searches_.data(), batch_searches_.size(), facts, names_);
  for (std::size_t j = 0; j < batch_.size(); ++j) {
    if (batch_searches_[j].found) searches_[batch_[j]] = batch_searches_[j];
  }
  return next;
}

// The units in section order, each searched for the targets it may hold
// that no unit before it answered.
void LineTable::ScanEveryUnit(const DebugSources& sources, StringTables& strings) {
  std::int64_t end = sources[DebugSection::kLine]->Size();
  std::size_t left = 0;
  for (const TargetSearch& search : searches_) left += !search.found;
  std::int64_t offset = 0;
  for (std::size_t i = 0; offset < end && left > 0; ++i) {
    batch_.clear();
    for (std::size_t k = 0; k < searches_.size(); ++k) {
      if (!searches_[k].found && !CannotHold(i, offset, searches_[k].target)) batch_.push_back(k);
    }
    if (batch_.empty() && i < learnt_.size() && learnt_[i].offset == offset) {
      offset = learnt_[i].next;
      continue;
    }
    UnitFacts facts;
    std::int64_t next = SearchBatch(sources, strings, offset, facts);
    for (std::size_t k : batch_) left -= searches_[k].found;
    Learn(i, offset, next, facts);
    offset = next;
  }
}

// The candidates of every target, gathered by line program and searched in
// section order: a target's first candidate that answers for it wins, as
// the first unit of the full scan would.
void LineTable::SearchIndexed(const DebugSources& sources, StringTables& strings) {
  std::pmr::vector<std::pair<std::int64_t, std::size_t>> work;  // program, target
  std::pmr::vector<std::int64_t> programs;
  for (std::size_t k = 0; k < searches_.size(); ++k) {
    index_.Candidates(searches_[k].target, programs);
    for (std::int64_t program : programs) work.emplace_back(program, k);
  }
  std::sort(work.begin(), work.end());
  for (std::size_t from = 0; from < work.size();) {
    std::int64_t program = work[from].first;
    batch_.clear();
    for (; from < work.size() && work[from].first == program; ++from) {
      if (!searches_[work[from].second].found) batch_.push_back(work[from].second);
    }
    if (batch_.empty()) continue;
    UnitFacts facts;
    SearchBatch(sources, strings, program, facts);
  }
}

}  // namespace rt
