// The line-number program of one unit as the rows it emits: the state
// machine, run opcode by opcode, sequence by sequence.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/line_header.h"

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

// Runs the program of the unit whose header was read, from its first
// opcode; the cursor is the unit's window. Each row is the registers as
// they stood when the program emitted it; a row with end_sequence ends its
// sequence, and the next one starts from fresh registers.
class LineRowMachine {
 public:
  // A header whose steps would divide by zero has no rows.
  LineRowMachine(DwarfCursor& cursor, const TLineNumberProgramHeader64& header);

  // Moves to the next row; false when the program has ended, at the end of
  // the unit or at a damaged opcode.
  bool NextRow();
  const TMachineState& row() const { return state_; }
  // The program stopped at an opcode that could not be read whole.
  bool damaged() const { return damaged_; }

 private:
  // The address and line steps of a special opcode, worked out once: a
  // division for every row would be the program's costliest part.
  struct SpecialStep {
    std::uint32_t bytes;  // the address step with one operation per word
    std::uint8_t operations;
    std::int16_t line;
  };

  void Special(int op);
  void Extended();
  void Standard(int op);
  void Advance(std::uint64_t operations);

  DwarfCursor& cursor_;
  const TLineNumberProgramHeader64& header_;
  TMachineState state_;
  bool whole_words_;  // one operation per instruction word, as on every processor here
  bool ended_ = false;
  bool damaged_ = false;
  SpecialStep steps_[256];
};

}  // namespace rt
