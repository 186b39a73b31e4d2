// The line-number state machine: its set-up, and the rare opcodes.
#include "dwarf/line_rows.h"

namespace rt {

void InitStateRegisters(TMachineState& state, bool default_is_stmt) {
  state = TMachineState{};
  state.file = 1;
  state.line = 1;
  state.is_stmt = default_is_stmt;
}

LineRowMachine::LineRowMachine(DwarfCursor& cursor, const TLineNumberProgramHeader64& header)
    : cursor_(cursor), header_(header) {
  if (header.line_range == 0 || header.maximum_operations_per_instruction == 0) return;
  for (int op = header.opcode_base; op < 256; ++op) {
    int adjusted = op - header.opcode_base;
    std::uint8_t operations = static_cast<std::uint8_t>(adjusted / header.line_range);
    steps_[op] = {static_cast<std::uint32_t>(operations * header.minimum_instruction_length),
                  operations,
                  static_cast<std::int16_t>(header.line_base + adjusted % header.line_range)};
  }
  cursor_.Seek(header.program_start);
  runnable_ = true;
}

// Names defined in the program are not added to the file table.
void LineRowMachine::SkipFileDefinition() {
  cursor_.ReadString();
  cursor_.SkipLEB128();
  cursor_.SkipLEB128();
  cursor_.SkipLEB128();
}

}  // namespace rt
