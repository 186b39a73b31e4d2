// The line-number program of one unit as the rows it emits: the state
// machine, run opcode by opcode, sequence by sequence.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/line/line_header.h"

namespace rt {

// The registers of the line-number state machine that a row's position
// needs; those that only mark code (is_stmt, basic_block, the prologue and
// epilogue marks, isa) name no source position and are not kept.
struct LineRegisters {
  std::uint64_t address = 0;
  std::int64_t line = 1;
  std::int32_t file = 1;
  std::int32_t column = 0;
  std::uint32_t op_index = 0;  // position inside a very long instruction word
  bool end_sequence = false;
};

// What one opcode did.
enum class LineEffect : std::uint8_t {
  kNone,     // moved registers only
  kRow,      // made a row (end_sequence set for a sequence's last)
  kStop,     // not taken where it was read: the bytes there end too soon
  kDamaged,  // cannot be read whole: the program ends here
};

// Runs the program of the unit whose header was read, from its first
// opcode; the cursor is the unit's window. A row with end_sequence ends its
// sequence, and the next one starts from fresh registers.
class LineRowMachine {
 public:
  // A header whose steps would divide by zero has no rows.
  LineRowMachine(DwarfCursor& cursor, const TLineNumberProgramHeader64& header);

  // Shows the sink the rows it asks for: a sequence's first and last rows,
  // and every row at or above sink.Threshold() (asked again after each row
  // shown); sink.Take(row, first, previous) gets with each row whether it
  // starts its sequence and the row before it in the sequence (null for a
  // first row), and stops the program by returning false. Rows not shown
  // are only remembered as the one before. Returns false when the program
  // stopped at an opcode that could not be read whole.
  template <typename Sink>
  bool Run(Sink& sink);
  // The highest row address the last Run met.
  std::uint64_t max_address() const { return run_.max_address; }

 private:
  // The one interpreter of the opcodes, for the two ways of reading them:
  // Bytes is the cursor's buffered bytes, read by pointer, or the cursor
  // itself; skimming (rows below every target, looked at by nobody), it
  // takes only the opcodes that keep addresses rising by small steps. The
  // opcode op is read; its operands follow in bytes. Defined in
  // line_step.h.
  template <typename Bytes, bool kSkimming>
  LineEffect Execute(unsigned op, Bytes& bytes, LineRegisters& r) const;

  // Where the run stands: the bytes buffered and what it keeps of the rows.
  struct RunState {
    const std::uint8_t* p;
    const std::uint8_t* end;
    LineRegisters r;
    LineRegisters previous;   // the row before, in the sequence
    std::uint64_t show_from;  // rows at or above it are shown
    std::uint64_t max_address;
  };

  // The address and line steps of a special opcode, worked out once: a
  // division for every row would be the program's costliest part.
  struct SpecialStep {
    std::uint32_t bytes;  // the address step with one operation per word
    std::uint8_t operations;
    std::int16_t line;
  };

  template <typename Bytes, bool kSkimming>
  LineEffect Extended(Bytes& bytes, LineRegisters& r) const;
  // kWholeWords: known to take one operation per instruction word.
  template <bool kWholeWords>
  void Advance(LineRegisters& r, std::uint64_t operations) const;

  // The opcodes of a program with one operation per instruction word, from
  // run_.p on, read by pointer: stops after a row to show (kRow), and
  // before an opcode that lies too near the buffer's end to be read there
  // (kStop; the cursor then reads it). Nearly every byte of a unit passes
  // through it.
  LineEffect RunBuffered();
  // Before that loop, while rows stay below run_.show_from: the same
  // interpreter, skimming, in stretches of bytes that end at a row, with no
  // look at each row; a stretch that met a row to show, an opcode it does
  // not take or the buffer's end is taken back for the loop to run again.
  // Most rows of a unit lie below every target.
  void Skim();
  // One stretch: false when it did not end at a row (r and p then stand
  // anywhere).
  bool SkimStretch(const std::uint8_t*& p, const std::uint8_t* last, LineRegisters& r) const;
  // One opcode read through the cursor.
  LineEffect RunOne();

  // The buffered bytes from where the loop has read, refilled when used up;
  // false when there are none.
  bool LoadBytes() {
    SyncBytes();
    std::int64_t n;
    run_.p = loaded_ = cursor_.Buffered(n);
    run_.end = run_.p + n;
    return n > 0;
  }
  // Moves the cursor's position to where the loop has read.
  void SyncBytes() {
    cursor_.Consume(run_.p - loaded_);
    loaded_ = run_.p;
  }

  DwarfCursor& cursor_;
  const TLineNumberProgramHeader64& header_;
  bool runnable_ = false;
  bool whole_words_ = false;    // one operation per instruction word, as on every processor here
  unsigned first_special_ = 1;  // the first special opcode (0 always begins an extended one)
  RunState run_{};
  const std::uint8_t* loaded_ = nullptr;  // where the cursor's position is in the buffer
  SpecialStep steps_[256];
};

template <typename Sink>
bool LineRowMachine::Run(Sink& sink) {
  run_ = RunState{};
  loaded_ = nullptr;
  if (!runnable_) return true;
  run_.show_from = 0;  // a sequence's first row is always shown
  bool first = true, intact = true;
  LoadBytes();
  for (;;) {
    if (run_.p == run_.end && !LoadBytes()) break;
    LineEffect effect = whole_words_ ? RunBuffered() : LineEffect::kStop;
    if (effect == LineEffect::kStop) {
      effect = RunOne();
      if (effect == LineEffect::kDamaged) {
        intact = false;
        break;
      }
      if (effect != LineEffect::kRow) continue;
      const LineRegisters& r = run_.r;
      if (r.address > run_.max_address) run_.max_address = r.address;
      if (r.address < run_.show_from && !r.end_sequence) {
        run_.previous = r;
        continue;
      }
    }
    const LineRegisters& row = run_.r;
    if (!sink.Take(row, first, first ? nullptr : &run_.previous)) break;
    run_.show_from = sink.Threshold();
    run_.previous = row;
    first = row.end_sequence;
    if (first) {
      run_.r = LineRegisters();
      run_.show_from = 0;
    }
  }
  SyncBytes();
  return intact;
}

}  // namespace rt
