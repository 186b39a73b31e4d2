// The line-number state machine, opcode by opcode.
#include "dwarf/line_rows.h"

namespace rt {

namespace {

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

enum ExtendedOpcode { kEndSequence = 1, kSetAddress = 2, kDefineFile = 3 };

// Line steps come from the file: the register wraps instead of overflowing.
void AddToLine(TMachineState& state, std::int64_t step) {
  state.line = static_cast<std::int64_t>(static_cast<std::uint64_t>(state.line) +
                                         static_cast<std::uint64_t>(step));
}

void EmitRow(TMachineState& state) {
  state.row_ready = true;
  state.basic_block = state.prologue_end = state.epilogue_begin = false;
}

}  // namespace

void InitStateRegisters(TMachineState& state, bool default_is_stmt) {
  state = TMachineState{};
  state.file = 1;
  state.line = 1;
  state.is_stmt = default_is_stmt;
}

LineRowMachine::LineRowMachine(DwarfCursor& cursor, const TLineNumberProgramHeader64& header)
    : cursor_(cursor),
      header_(header),
      whole_words_(header.maximum_operations_per_instruction == 1) {
  InitStateRegisters(state_, header.default_is_stmt);
  if (header.line_range == 0 || header.maximum_operations_per_instruction == 0) {
    ended_ = true;
    return;
  }
  for (int op = header.opcode_base; op < 256; ++op) {
    int adjusted = op - header.opcode_base;
    std::uint8_t operations = static_cast<std::uint8_t>(adjusted / header.line_range);
    steps_[op] = {static_cast<std::uint32_t>(operations * header.minimum_instruction_length),
                  operations,
                  static_cast<std::int16_t>(header.line_base + adjusted % header.line_range)};
  }
  cursor_.Seek(header.program_start);
}

bool LineRowMachine::NextRow() {
  if (state_.end_sequence) InitStateRegisters(state_, header_.default_is_stmt);
  state_.row_ready = false;
  while (!ended_) {
    int op = cursor_.ReadNext();
    if (op < 0) {
      ended_ = true;
      break;
    }
    if (op >= header_.opcode_base && op != 0) {
      Special(op);
    } else if (op == 0) {
      Extended();
    } else {
      Standard(op);
    }
    if (state_.row_ready) return true;
  }
  return false;
}

// Moves the address on by a number of operations; with more than one
// operation per instruction word, the word's operation index moves too.
void LineRowMachine::Advance(std::uint64_t operations) {
  std::uint8_t per_word = header_.maximum_operations_per_instruction;
  if (per_word == 1) {
    state_.address += operations * header_.minimum_instruction_length;
  } else {
    std::uint64_t total = state_.op_index + operations;
    state_.address += header_.minimum_instruction_length * (total / per_word);
    state_.op_index = static_cast<std::uint32_t>(total % per_word);
  }
}

// One step of address and line, and a row.
void LineRowMachine::Special(int op) {
  if (whole_words_) {
    state_.address += steps_[op].bytes;
  } else {
    Advance(steps_[op].operations);
  }
  AddToLine(state_, steps_[op].line);
  EmitRow(state_);
}

// An opcode with its own length: every one ends where its length says.
void LineRowMachine::Extended() {
  std::uint64_t length = cursor_.ReadULEB128();
  std::int64_t start = cursor_.Pos();
  int sub = cursor_.ReadNext();
  if (sub == kEndSequence) {
    state_.end_sequence = true;
    state_.row_ready = true;
  } else if (sub == kSetAddress) {
    // The address takes the rest of the stated length.
    int width = length > 1 && length <= 9 ? static_cast<int>(length - 1) : 8;
    state_.address = cursor_.ReadUnsigned(width);
    state_.op_index = 0;
  } else if (sub == kDefineFile) {
    // Names defined here are not added to the file table.
    cursor_.ReadString();
    cursor_.SkipLEB128();
    cursor_.SkipLEB128();
    cursor_.SkipLEB128();
  }
  if (sub < 0 || length > static_cast<std::uint64_t>(cursor_.Limit() - start)) {
    damaged_ = ended_ = true;
    state_.row_ready = false;
    return;
  }
  cursor_.Seek(start + static_cast<std::int64_t>(length));
}

void LineRowMachine::Standard(int op) {
  switch (op) {
    case kCopy:
      EmitRow(state_);
      break;
    case kAdvancePc:
      Advance(cursor_.ReadULEB128());
      break;
    case kAdvanceLine:
      AddToLine(state_, cursor_.ReadLEB128());
      break;
    case kSetFile:
      state_.file = static_cast<std::int32_t>(cursor_.ReadULEB128());
      break;
    case kSetColumn:
      state_.column = static_cast<std::int32_t>(cursor_.ReadULEB128());
      break;
    case kNegateStmt:
      state_.is_stmt = !state_.is_stmt;
      break;
    case kSetBasicBlock:
      state_.basic_block = true;
      break;
    case kConstAddPc:
      Advance((255u - header_.opcode_base) / header_.line_range);
      break;
    case kFixedAdvancePc:
      state_.address += cursor_.ReadUHalf();
      state_.op_index = 0;
      break;
    case kSetPrologueEnd:
      state_.prologue_end = true;
      break;
    case kSetEpilogueBegin:
      state_.epilogue_begin = true;
      break;
    case kSetIsa:
      state_.isa = static_cast<std::int32_t>(cursor_.ReadULEB128());
      break;
    default:
      // A standard opcode this reader does not know: skip its operands.
      for (int i = 0; i < header_.standard_opcode_lengths[op]; ++i) cursor_.SkipLEB128();
      break;
  }
}

}  // namespace rt
