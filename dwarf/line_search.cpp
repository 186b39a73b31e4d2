// Matching a unit's rows to the targets searched for.
#include "dwarf/line_search.h"

#include "dwarf/line_rows.h"

namespace rt {

namespace {

// The targets from head on are still searched for, in increasing order.
// Every row answers for the searched targets at or below it, so those left
// lie above every row read so far, and the last row read is the last one
// below each of them: one remembered row serves them all.
class RowMatcher {
 public:
  RowMatcher(TargetSearch* targets, std::size_t count, UnitFacts& facts)
      : targets_(targets), count_(count), facts_(facts) {}

  bool searching() const { return head_ < count_; }

  void Take(const TMachineState& row) {
    if (first_row_) StartSequence(row.address);
    if (row.address > facts_.max_address) facts_.max_address = row.address;
    // The row strictly below a target answers for it, taken at the first
    // row at or above it.
    while (head_ < count_ && targets_[head_].target <= row.address) {
      TargetSearch& t = targets_[head_++];
      t.found = t.done = true;
      t.remembered = remembered_;
      t.file = remembered_file_;
      t.line = remembered_line_;
    }
    remembered_ = true;
    remembered_file_ = row.file;
    remembered_line_ = row.line;
    first_row_ = row.end_sequence;
  }

 private:
  void StartSequence(std::uint64_t address) {
    if (!facts_.has_first_address) {
      facts_.has_first_address = true;
      facts_.first_address = address;
    }
    // A sequence that starts above a target ends its search in this unit.
    while (head_ < count_ && targets_[head_].target < address) targets_[head_++].done = true;
  }

  TargetSearch* targets_;
  std::size_t count_;
  UnitFacts& facts_;
  std::size_t head_ = 0;
  bool first_row_ = true;
  bool remembered_ = false;
  std::int32_t remembered_file_ = 0;
  std::int64_t remembered_line_ = 0;
};

// Names the answers: targets answered by rows of one file share its name,
// read once.
void NameAnswers(DwarfCursor& cursor, StringTables& strings,
                 const TLineNumberProgramHeader64& header, TargetSearch* targets, std::size_t count,
                 std::vector<Text>& names) {
  std::int32_t unknown = -1;
  const TargetSearch* named = nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    TargetSearch& t = targets[i];
    if (!t.found) continue;
    if (!t.remembered) {
      if (unknown < 0) {
        unknown = static_cast<std::int32_t>(names.size());
        names.emplace_back(kUnknownFile);
      }
      t.name = unknown;
    } else if (named != nullptr && named->file == t.file) {
      t.name = named->name;
    } else {
      t.name = static_cast<std::int32_t>(names.size());
      names.push_back(GetFullFilename(cursor, strings, header, static_cast<std::uint32_t>(t.file)));
      named = &t;
    }
  }
}

}  // namespace

std::int64_t SearchUnit(DwarfCursor& cursor, StringTables& strings, std::int64_t offset,
                        std::int64_t section_end, TargetSearch* targets, std::size_t count,
                        UnitFacts& facts, std::vector<Text>& names) {
  facts = UnitFacts();
  for (std::size_t i = 0; i < count; ++i) targets[i].Reset();
  UnitExtent unit;
  if (!cursor.EnterUnit(offset, section_end, unit)) return unit.next;
  TLineNumberProgramHeader64 header;
  // A unit that cannot be read covers nothing.
  if (!ReadLineProgramHeader(cursor, unit, header)) {
    facts.scanned_whole = true;
    return unit.next;
  }
  // The file table is read again once rows have answered: keep it at hand.
  cursor.Keep(header.program_start);

  LineRowMachine rows(cursor, header);
  RowMatcher matcher(targets, count, facts);
  while (matcher.searching() && rows.NextRow()) matcher.Take(rows.row());
  // Stopping because every target had its answer leaves the unit's highest
  // address unknown; every other end has seen all the rows there are.
  facts.scanned_whole = matcher.searching() || rows.damaged();
  NameAnswers(cursor, strings, header, targets, count, names);
  return unit.next;
}

}  // namespace rt
