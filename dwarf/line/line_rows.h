// The line-number program of one unit as the rows it emits: the state
// machine, run opcode by opcode, sequence by sequence.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/line/line_header.h"

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

// A row as the lookup sees it.
struct LineRow {
  std::uint64_t address;
  std::int32_t file;
  std::int64_t line;
  bool end_sequence;
};

// What the loop of the common opcodes works on: the registers a row's
// position needs, the bytes buffered, and what it keeps of the rows.
struct CommonRun {
  const std::uint8_t* p;
  const std::uint8_t* end;
  std::uint64_t address;
  std::int64_t line;
  std::int32_t file;
  std::int32_t previous_file;  // of the row before, in the sequence
  std::int64_t previous_line;
  std::uint64_t show_from;  // rows at or above it are shown
  std::uint64_t max_address;
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
  // Why the loop of the common opcodes stopped.
  enum class Stop { kRow, kOther };

  // The address and line steps of a special opcode, worked out once: a
  // division for every row would be the program's costliest part.
  struct SpecialStep {
    std::uint32_t bytes;  // the address step with one operation per word
    std::uint8_t operations;
    std::int16_t line;
  };

  // The registers a row's position needs.
  struct RowRegisters {
    std::uint64_t address;
    std::int64_t line;
    std::int32_t file;
  };
  // The common opcodes of a program with one operation per instruction
  // word, from run_.p on: stops after a row to show, and before the first
  // opcode that is not one of them, or that lies too near the buffer's end
  // to be read with no bound check (the cursor then reads it). Calls
  // nothing, so that its registers stay in the processor's: nearly every
  // byte of a unit passes through it.
  Stop RunCommon();
  // Before that loop, while rows stay below run_.show_from: the same
  // opcodes run in stretches of kSkimStretch bytes that end at a row, with
  // no look at each row, and a stretch that met a row to show, an opcode of
  // another kind or the buffer's end is taken back for the loop to run
  // again. Most rows of a unit lie below every target, so this is where
  // most of its bytes pass.
  void Skim();
  // One stretch: false when it did not end at a row (r and p then stand
  // anywhere).
  bool SkimStretch(const std::uint8_t*& p, const std::uint8_t* last, RowRegisters& r) const;
  // A special opcode or copy, the loop's opcodes of one byte that make a
  // row: takes its step and answers true; false for any other opcode.
  bool StepToRow(unsigned op, RowRegisters& r) const;
  // One of that loop's opcodes that make no row, at p: moves p past it;
  // false (p kept) for an opcode the loop does not take. Skimming, it
  // takes no address step long enough to wrap the address.
  template <bool kSkimming>
  bool StepWithoutRow(unsigned op, const std::uint8_t*& p, RowRegisters& r) const;
  // One opcode of any kind, read through the cursor; true when it made a
  // row. Sets damaged when it could not be read whole.
  bool RunOne(TMachineState& state, bool& damaged);
  // Answers whether the opcode made a row.
  bool Standard(TMachineState& state, int op);
  bool Extended(TMachineState& state);
  void Advance(TMachineState& state, std::uint64_t operations) const;

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
  CommonRun run_{};
  const std::uint8_t* loaded_ = nullptr;  // where the cursor's position is in the buffer
  SpecialStep steps_[256];
};

template <typename Sink>
bool LineRowMachine::Run(Sink& sink) {
  run_ = CommonRun{};
  loaded_ = nullptr;
  if (!runnable_) return true;
  TMachineState state;
  InitStateRegisters(state, header_.default_is_stmt);
  run_.file = 1;
  run_.line = 1;
  run_.show_from = 0;  // a sequence's first row is always shown
  bool first = true, intact = true;
  LoadBytes();
  for (;;) {
    if (run_.p == run_.end && !LoadBytes()) break;
    Stop stop = whole_words_ ? RunCommon() : Stop::kOther;
    if (stop == Stop::kOther) {
      // One opcode through the cursor, with the whole register set.
      SyncBytes();
      state.address = run_.address;
      state.file = run_.file;
      state.line = run_.line;
      bool damaged = false, row = RunOne(state, damaged);
      run_.address = state.address;
      run_.file = state.file;
      run_.line = state.line;
      LoadBytes();
      if (damaged) {
        intact = false;
        break;
      }
      if (!row) continue;
      if (state.address > run_.max_address) run_.max_address = state.address;
      if (state.address < run_.show_from && !state.end_sequence) {
        run_.previous_file = state.file;
        run_.previous_line = state.line;
        continue;
      }
    }
    LineRow row{run_.address, run_.file, run_.line, state.end_sequence};
    LineRow previous{0, run_.previous_file, run_.previous_line, false};
    if (!sink.Take(row, first, first ? nullptr : &previous)) break;
    run_.show_from = sink.Threshold();
    run_.previous_file = row.file;
    run_.previous_line = row.line;
    first = row.end_sequence;
    if (first) {
      InitStateRegisters(state, header_.default_is_stmt);
      run_.address = 0;
      run_.file = 1;
      run_.line = 1;
      run_.show_from = 0;
    }
  }
  SyncBytes();
  return intact;
}

}  // namespace rt
