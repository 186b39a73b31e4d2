// The line-number state machine: the loop of the common opcodes, and every
// opcode one at a time through the cursor.
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

enum ExtendedOpcode { kEndSequence = 1, kSetAddress = 2, kDefineFile = 3, kSetDiscriminator = 4 };

// Line steps come from the file: the register wraps instead of overflowing.
std::int64_t AddToLine(std::int64_t line, std::int64_t step) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(line) +
                                   static_cast<std::uint64_t>(step));
}

// The longest LEB128 number the loop of the common opcodes reads: any
// 64-bit value, with no room for padding.
constexpr int kLongestNumber = 10;
// The loop reads an opcode only while this many bytes are buffered, so that
// none of its operands needs a bound check. The opcode with the most bytes
// read there is the discriminator's: 0, its length, the sub-opcode and its
// number.
constexpr std::ptrdiff_t kMargin = 2 + 2 * kLongestNumber;

// A number read and where the bytes after it begin; a null end for a number
// that could not be read.
struct ReadNumber {
  const std::uint8_t* end;
  std::uint64_t value;
};

// A LEB128 number of three to kLongestNumber bytes, read with no bound
// check. Rare: kept out of the loop, whose registers it would take.
[[gnu::noinline]] ReadNumber ReadLongLEB(const std::uint8_t* p, bool is_signed) {
  std::uint64_t value;
  if (!ReadBufferedLEB128(p, p + kLongestNumber, is_signed, value)) return {nullptr, 0};
  return {p, value};
}

// A LEB128 number of at most kLongestNumber bytes, read with no bound
// check: the caller leaves that many bytes in the buffer. False (p kept)
// for a longer one. Most numbers of a line program take one or two bytes.
[[gnu::always_inline]] inline bool ReadShortLEB(const std::uint8_t*& p, bool is_signed,
                                                std::uint64_t& value) {
  std::uint64_t b0 = p[0];
  if (b0 < 0x80) {
    value = is_signed ? static_cast<std::uint64_t>(static_cast<std::int64_t>(b0 << 57) >> 57) : b0;
    p += 1;
    return true;
  }
  std::uint64_t b1 = p[1];
  if (b1 >= 0x80) {
    ReadNumber number = ReadLongLEB(p, is_signed);
    if (number.end == nullptr) return false;
    p = number.end;
    value = number.value;
    return true;
  }
  value = (b0 & 0x7F) | b1 << 7;
  if (is_signed) value = static_cast<std::uint64_t>(static_cast<std::int64_t>(value << 50) >> 50);
  p += 2;
  return true;
}

}  // namespace

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
  whole_words_ = header.maximum_operations_per_instruction == 1;
  first_special_ = header.opcode_base > 0 ? header.opcode_base : 1;
  cursor_.Seek(header.program_start);
  runnable_ = true;
}

LineRowMachine::Stop LineRowMachine::RunCommon() {
  // Only what changes at nearly every opcode lives in registers; the row
  // before is written to run_, which nothing here reads back.
  const std::uint8_t* p = run_.p;
  const std::uint8_t* last = run_.end - run_.p > kMargin ? run_.end - kMargin : p;
  RowRegisters r{run_.address, run_.line, run_.file};
  std::uint64_t max_address = run_.max_address;
  Stop stop = Stop::kOther;
  while (p < last) {
    unsigned op = *p;
    if (op >= first_special_) {
      r.address += steps_[op].bytes;
      r.line = AddToLine(r.line, steps_[op].line);
      ++p;
    } else if (op == kCopy) {
      ++p;
    } else if (StepWithoutRow(op, p, r)) {
      continue;
    } else {
      break;
    }
    if (r.address > max_address) max_address = r.address;
    if (r.address >= run_.show_from) {
      stop = Stop::kRow;
      break;
    }
    run_.previous_file = r.file;
    run_.previous_line = r.line;
  }
  run_.p = p;
  run_.address = r.address;
  run_.line = r.line;
  run_.file = r.file;
  run_.max_address = max_address;
  return stop;
}

// Inlined: its registers are the loop's.
[[gnu::always_inline]] inline bool LineRowMachine::StepWithoutRow(unsigned op,
                                                                  const std::uint8_t*& p,
                                                                  RowRegisters& r) const {
  const std::uint8_t* q = p + 1;  // the operands
  std::uint64_t value = 0;
  // The commonest first, by tests the processor predicts better than a
  // jump through a table.
  if (op == kSetColumn) {
    // A register a row's position does not need.
    if (!ReadShortLEB(q, false, value)) return false;
  } else if (op == kNegateStmt) {
  } else if (op == kAdvanceLine) {
    if (!ReadShortLEB(q, true, value)) return false;
    r.line = AddToLine(r.line, static_cast<std::int64_t>(value));
  } else {
    switch (op) {
      case kAdvancePc:
        if (!ReadShortLEB(q, false, value)) return false;
        r.address += value * header_.minimum_instruction_length;
        break;
      case kSetFile:
        if (!ReadShortLEB(q, false, value)) return false;
        r.file = static_cast<std::int32_t>(value);
        break;
      case kSetIsa:
        if (!ReadShortLEB(q, false, value)) return false;
        break;
      case kSetBasicBlock:
      case kSetPrologueEnd:
      case kSetEpilogueBegin:
        break;
      case kConstAddPc:
        r.address += steps_[255].bytes;
        break;
      case 0:
        // A discriminator, which compilers give many rows, is skipped.
        if (!ReadShortLEB(q, false, value) || *q != kSetDiscriminator ||
            value > static_cast<std::uint64_t>(run_.end - q)) {
          return false;
        }
        q += value;
        break;
      default:
        return false;
    }
  }
  p = q;
  return true;
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
