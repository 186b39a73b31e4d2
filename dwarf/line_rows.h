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

  // Hands each row to visit(row) until it returns false or the program ends
  // at the end of the unit; false when the program stopped at an opcode
  // that could not be read whole. The registers stay in this one loop, the
  // lookup's innermost: a call for each row or opcode would cost more than
  // the opcodes themselves.
  template <typename Visit>
  bool Run(Visit&& visit);

 private:
  // The address and line steps of a special opcode, worked out once: a
  // division for every row would be the program's costliest part.
  struct SpecialStep {
    std::uint32_t bytes;  // the address step with one operation per word
    std::uint8_t operations;
    std::int16_t line;
  };
  enum StandardOpcode {
    kCopy = 1,
    kAdvancePc,
    kAdvanceLine,
    kSetFile,
    kSetColumn,
    kNegateStmt,
    kSetBasicBlock,
    kConstAddPc,
    kFixedAdvancePc,
    kSetPrologueEnd,
    kSetEpilogueBegin,
    kSetIsa,
  };

  void Standard(TMachineState& state, int op);
  enum ExtendedOpcode { kEndSequence = 1, kSetAddress = 2, kDefineFile = 3 };

  // An opcode with its own length; false when it cannot be read whole.
  bool Extended(TMachineState& state);
  void SkipFileDefinition();
  void Advance(TMachineState& state, std::uint64_t operations) const;
  static void AddToLine(TMachineState& state, std::int64_t step) {
    // Line steps come from the file: the register wraps instead of
    // overflowing.
    state.line = static_cast<std::int64_t>(static_cast<std::uint64_t>(state.line) +
                                           static_cast<std::uint64_t>(step));
  }
  static void EmitRow(TMachineState& state) {
    state.row_ready = true;
    state.basic_block = state.prologue_end = state.epilogue_begin = false;
  }

  DwarfCursor& cursor_;
  const TLineNumberProgramHeader64& header_;
  bool runnable_ = false;
  SpecialStep steps_[256];
};

template <typename Visit>
bool LineRowMachine::Run(Visit&& visit) {
  if (!runnable_) return true;
  DwarfCursor& cursor = cursor_;
  const int opcode_base = header_.opcode_base;
  const bool whole_words = header_.maximum_operations_per_instruction == 1;
  TMachineState state;
  InitStateRegisters(state, header_.default_is_stmt);
  for (;;) {
    int op = cursor.ReadNext();
    if (op < 0) return true;
    if (op >= opcode_base && op != 0) {
      // One step of address and line, and a row.
      const SpecialStep& step = steps_[op];
      if (whole_words) {
        state.address += step.bytes;
      } else {
        Advance(state, step.operations);
      }
      AddToLine(state, step.line);
      EmitRow(state);
    } else if (op == 0) {
      if (!Extended(state)) return false;
    } else {
      Standard(state, op);
    }
    if (!state.row_ready) continue;
    if (!visit(static_cast<const TMachineState&>(state))) return true;
    state.row_ready = false;
    if (state.end_sequence) InitStateRegisters(state, header_.default_is_stmt);
  }
}

[[gnu::always_inline]] inline void LineRowMachine::Standard(TMachineState& state, int op) {
  switch (op) {
    case kCopy:
      EmitRow(state);
      break;
    case kAdvancePc:
      Advance(state, cursor_.ReadULEB128());
      break;
    case kAdvanceLine:
      AddToLine(state, cursor_.ReadLEB128());
      break;
    case kSetFile:
      state.file = static_cast<std::int32_t>(cursor_.ReadULEB128());
      break;
    case kSetColumn:
      state.column = static_cast<std::int32_t>(cursor_.ReadULEB128());
      break;
    case kNegateStmt:
      state.is_stmt = !state.is_stmt;
      break;
    case kSetBasicBlock:
      state.basic_block = true;
      break;
    case kConstAddPc:
      Advance(state, (255u - header_.opcode_base) / header_.line_range);
      break;
    case kFixedAdvancePc:
      state.address += cursor_.ReadUHalf();
      state.op_index = 0;
      break;
    case kSetPrologueEnd:
      state.prologue_end = true;
      break;
    case kSetEpilogueBegin:
      state.epilogue_begin = true;
      break;
    case kSetIsa:
      state.isa = static_cast<std::int32_t>(cursor_.ReadULEB128());
      break;
    default:
      // A standard opcode this reader does not know: skip its operands.
      for (int i = 0; i < header_.standard_opcode_lengths[op]; ++i) cursor_.SkipLEB128();
      break;
  }
}

// Every extended opcode ends where its length says; a discriminator, which
// compilers give many rows, is one of those skipped.
[[gnu::always_inline]] inline bool LineRowMachine::Extended(TMachineState& state) {
  std::uint64_t length = cursor_.ReadULEB128();
  std::int64_t start = cursor_.Pos();
  int sub = cursor_.ReadNext();
  if (sub == kEndSequence) {
    state.end_sequence = true;
    state.row_ready = true;
  } else if (sub == kSetAddress) {
    // The address takes the rest of the stated length.
    int width = length > 1 && length <= 9 ? static_cast<int>(length - 1) : 8;
    state.address = cursor_.ReadUnsigned(width);
    state.op_index = 0;
  } else if (sub == kDefineFile) {
    SkipFileDefinition();
  }
  if (sub < 0 || length > static_cast<std::uint64_t>(cursor_.Limit() - start)) return false;
  cursor_.Seek(start + static_cast<std::int64_t>(length));
  return true;
}

// Moves the address on by a number of operations; with more than one
// operation per instruction word, the word's operation index moves too.
inline void LineRowMachine::Advance(TMachineState& state, std::uint64_t operations) const {
  std::uint8_t per_word = header_.maximum_operations_per_instruction;
  if (per_word == 1) {
    state.address += operations * header_.minimum_instruction_length;
  } else {
    std::uint64_t total = state.op_index + operations;
    state.address += header_.minimum_instruction_length * (total / per_word);
    state.op_index = static_cast<std::uint32_t>(total % per_word);
  }
}

}  // namespace rt
