// The line-number state machine: its registers, its steps, and every
// opcode one at a time through the cursor.
#include "dwarf/line/line_rows.h"

#include "dwarf/line/line_opcodes.h"

namespace rt {

using namespace line_opcodes;

void InitStateRegisters(TMachineState& state, bool default_is_stmt) {
  state = TMachineState{};
  state.file = 1;
  state.line = 1;
  state.is_stmt = default_is_stmt;
}

LineRowMachine::LineRowMachine(DwarfCursor& cursor, const TLineNumberProgramHeader64& header)
    : cursor_(cursor), header_(header) {
  if (header.line_range == 0 || header.maximum_operations_per_instruction == 0) return;
  // The adjusted opcode's quotient and remainder by line_range, counted up
  // rather than divided for each: a unit's table is made at every search.
  unsigned operations = 0, line_step = 0;
  for (int op = header.opcode_base; op < 256; ++op) {
    steps_[op] = {static_cast<std::uint32_t>(operations * header.minimum_instruction_length),
                  static_cast<std::uint8_t>(operations),
                  static_cast<std::int16_t>(header.line_base + static_cast<int>(line_step))};
    if (++line_step == header.line_range) {
      line_step = 0;
      ++operations;
    }
  }
  whole_words_ = header.maximum_operations_per_instruction == 1;
  first_special_ = header.opcode_base > 0 ? header.opcode_base : 1;
  cursor_.Seek(header.program_start);
  runnable_ = true;
}

bool LineRowMachine::RunOne(TMachineState& state, bool& damaged) {
  int op = cursor_.ReadNext();
  if (op < 0) return false;
  if (op >= header_.opcode_base && op != 0) {
    // One step of address and line, and a row.
    Advance(state, steps_[op].operations);
    state.line = AddToLine(state.line, steps_[op].line);
    return true;
  }
  if (op == 0) {
    damaged = !Extended(state);
    return !damaged && state.end_sequence;
  }
  return Standard(state, op);
}

bool LineRowMachine::Standard(TMachineState& state, int op) {
  switch (op) {
    case kCopy:
      return true;
    case kAdvancePc:
      Advance(state, cursor_.ReadULEB128());
      break;
    case kAdvanceLine:
      state.line = AddToLine(state.line, cursor_.ReadLEB128());
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
  return false;
}

// An opcode with its own length: every one ends where its length says.
bool LineRowMachine::Extended(TMachineState& state) {
  std::uint64_t length = cursor_.ReadULEB128();
  std::int64_t start = cursor_.Pos();
  int sub = cursor_.ReadNext();
  if (sub == kEndSequence) {
    state.end_sequence = true;
  } else if (sub == kSetAddress) {
    // The address takes the rest of the stated length.
    int width = length > 1 && length <= 9 ? static_cast<int>(length - 1) : 8;
    state.address = cursor_.ReadUnsigned(width);
    state.op_index = 0;
  } else if (sub == kDefineFile) {
    // Names defined here are not added to the file table.
    cursor_.ReadString();
    cursor_.SkipLEB128();
    cursor_.SkipLEB128();
    cursor_.SkipLEB128();
  }
  if (sub < 0 || length > static_cast<std::uint64_t>(cursor_.Limit() - start)) return false;
  cursor_.Seek(start + static_cast<std::int64_t>(length));
  return true;
}

// Moves the address on by a number of operations; with more than one
// operation per instruction word, the word's operation index moves too.
void LineRowMachine::Advance(TMachineState& state, std::uint64_t operations) const {
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
