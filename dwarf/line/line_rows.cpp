// The row machine's set-up, and the opcodes it reads through the cursor:
// those too near the buffer's end, and every one of a program with several
// operations per instruction word.
#include "dwarf/line/line_rows.h"

#include "dwarf/line/line_step.h"

namespace rt {

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

LineEffect LineRowMachine::RunOne() {
  SyncBytes();
  int op = cursor_.ReadNext();
  LineEffect effect = LineEffect::kNone;
  if (op >= 0) {
    CursorOperands operands{cursor_};
    effect = Execute<CursorOperands, false>(static_cast<unsigned>(op), operands, run_.r);
  }
  LoadBytes();
  return effect;
}

}  // namespace rt
