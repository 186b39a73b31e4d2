// Matching a unit's rows to the targets searched for.
#include "dwarf/line/line_search.h"

#include "dwarf/line/line_rows.h"

namespace rt {

namespace {

// The last row of a sequence, and where the sequence started.
struct SequenceEnd {
  std::uint64_t start;
  LineRegisters row;
};

// Out of the row loop: a growing list there would keep the loop's state
// out of registers, though sequences end rarely.
[[gnu::noinline, gnu::cold]] void AddSequenceEnd(std::pmr::vector<SequenceEnd>& ends,
                                                 SequenceEnd end) {
  ends.push_back(end);
}

// Matches rows to the targets, sorted by address. Each sequence is searched
// for the targets at or above its first row and passed over by the others;
// a target is answered at the first row at or above it by the last row
// strictly below it that a searched sequence gave. Inside a sequence that
// row is the one before; at a sequence's first row it is the last row of
// the latest sequence searched for the target before, if any.
class RowMatcher {
 public:
  RowMatcher(TargetSearch* targets, std::size_t count, std::pmr::vector<SequenceEnd>& ends)
      : targets_(targets), count_(count), left_(count), ends_(ends) {}

  bool searching() const { return left_ > 0; }
  std::uint64_t lowest_start() const { return lowest_start_; }

  // The rows below the lowest target still open in the sequence answer
  // for nothing: the row machine need not show them.
  std::uint64_t Threshold() {
    while (next_ < count_ && targets_[next_].found) ++next_;
    return next_ < count_ ? targets_[next_].target : UINT64_MAX;
  }

  bool Take(const LineRegisters& row, bool first, const LineRegisters* previous) {
    if (first) StartSequence(row.address);
    for (; next_ < count_ && targets_[next_].target <= row.address; ++next_) {
      TargetSearch& t = targets_[next_];
      if (t.found) continue;
      if (previous != nullptr) {
        Answer(t, previous);
        // Another unit's sequence may start where this one ends, and an
        // earlier unit's answers first there.
        t.at_sequence_start = row.end_sequence && row.address == t.target;
      } else {
        AnswerAtSequenceStart(t);
      }
    }
    if (row.end_sequence) AddSequenceEnd(ends_, {start_, row});
    return left_ > 0;
  }

 private:
  void StartSequence(std::uint64_t address) {
    if (address < lowest_start_) lowest_start_ = address;
    start_ = address;
    // Targets below the first row pass this sequence over.
    next_ = 0;
    while (next_ < count_ && targets_[next_].target < address) ++next_;
  }

  void AnswerAtSequenceStart(TargetSearch& t) {
    t.at_sequence_start = true;
    for (std::size_t i = ends_.size(); i-- > 0;) {
      if (ends_[i].start <= t.target) {
        Answer(t, &ends_[i].row);
        return;
      }
    }
    Answer(t, nullptr);
  }

  // Answers with the remembered row, or none remembered.
  void Answer(TargetSearch& t, const LineRegisters* row) {
    t.found = true;
    t.remembered = row != nullptr;
    if (row != nullptr) {
      t.file = row->file;
      t.line = row->line;
      t.column = row->column;
    }
    --left_;
  }

  TargetSearch* targets_;
  std::size_t count_, left_;
  std::uint64_t lowest_start_ = UINT64_MAX;
  std::size_t next_ = 0;  // the first target the current sequence has not passed
  std::uint64_t start_ = 0;
  std::pmr::vector<SequenceEnd>& ends_;
};

// Names the answers: targets answered by rows of one file share its name,
// read once.
void NameAnswers(DwarfCursor& cursor, StringTables& strings,
                 const TLineNumberProgramHeader64& header, TargetSearch* targets, std::size_t count,
                 std::pmr::vector<Text>& names) {
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
                        UnitFacts& facts, std::pmr::vector<Text>& names) {
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
  std::pmr::vector<SequenceEnd> ends;
  RowMatcher matcher(targets, count, ends);
  bool intact = !matcher.searching() || rows.Run(matcher);
  // Stopping because every target had its answer leaves the unit's highest
  // address unknown; every other end has seen all the rows there are.
  facts.scanned_whole = matcher.searching() || !intact;
  facts.lowest_start = matcher.lowest_start();
  facts.max_address = rows.max_address();
  NameAnswers(cursor, strings, header, targets, count, names);
  for (std::size_t i = 0; i < count; ++i) {
    if (targets[i].found && targets[i].remembered) targets[i].program = offset;
  }
  return unit.next;
}

}  // namespace rt
