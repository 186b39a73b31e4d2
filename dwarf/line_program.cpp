// Running a unit's line-number program until a row covers the target.
#include "dwarf/line_program.h"

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

// Moves the address on by a number of operations; with more than one
// operation per instruction word, the word's operation index moves too.
void Advance(TMachineState& state, const TLineNumberProgramHeader64& header,
             std::uint64_t operations) {
  std::uint8_t per_word = header.maximum_operations_per_instruction;
  if (per_word == 1) {
    state.address += operations * header.minimum_instruction_length;
  } else {
    std::uint64_t total = state.op_index + operations;
    state.address += header.minimum_instruction_length * (total / per_word);
    state.op_index = static_cast<std::uint32_t>(total % per_word);
  }
}

// Line steps come from the file: the register wraps instead of overflowing.
void AddToLine(TMachineState& state, std::int64_t step) {
  state.line = static_cast<std::int64_t>(static_cast<std::uint64_t>(state.line) +
                                         static_cast<std::uint64_t>(step));
}

}  // namespace

void InitStateRegisters(TMachineState& state, bool default_is_stmt) {
  state = TMachineState{};
  state.file = 1;
  state.line = 1;
  state.is_stmt = default_is_stmt;
}

std::int64_t NextUnit(LineReader& reader, std::int64_t offset, std::int64_t section_end) {
  // The 64-bit format marks its 8-byte length with a 32-bit 0xFFFFFFFF.
  std::uint64_t length = reader.ReadUnsigned(4);
  std::uint64_t size = length + 4;
  if (length == 0xFFFFFFFF) {
    length = reader.ReadUnsigned(8);
    size = length + 12;
  }
  if (reader.Exhausted()) return section_end;
  // The next unit follows from the length alone, so a damaged program does
  // not disturb the units after it; no read leaves the section.
  std::uint64_t room = static_cast<std::uint64_t>(section_end - offset);
  if (size > room || size < length) size = room;
  return offset + static_cast<std::int64_t>(size);
}

std::int64_t SearchUnit(LineReader& reader, const StringSections& strings, std::int64_t offset,
                        std::int64_t section_end, TargetSearch* targets, std::size_t count,
                        UnitFacts& facts, std::vector<Text>& names) {
  facts = UnitFacts();
  for (std::size_t i = 0; i < count; ++i) targets[i].Reset();
  reader.Init(offset, section_end - offset);
  std::int64_t next = NextUnit(reader, offset, section_end);
  if (reader.Exhausted()) return next;
  reader.Init(offset, next - offset);

  TLineNumberProgramHeader64 header;
  // A unit that cannot be read, or whose steps would divide by zero, covers
  // nothing.
  if (!ReadLineProgramHeader(reader, header) || header.line_range == 0 ||
      header.maximum_operations_per_instruction == 0) {
    facts.scanned_whole = true;
    return next;
  }

  // The file table is read again once rows have answered: keep it at hand.
  reader.Keep(header.program_start);

  // The steps of the special opcodes, worked out once: a division for every
  // row would be the program's costliest part.
  // With one operation per instruction word, as on every processor this
  // system runs on, a step is a plain number of bytes.
  struct SpecialStep {
    std::uint32_t bytes;
    std::uint8_t operations;
    std::int16_t line;
  } steps[256];
  const bool whole_words = header.maximum_operations_per_instruction == 1;
  for (int op = header.opcode_base; op < 256; ++op) {
    int adjusted = op - header.opcode_base;
    std::uint8_t operations = static_cast<std::uint8_t>(adjusted / header.line_range);
    steps[op] = {static_cast<std::uint32_t>(operations * header.minimum_instruction_length),
                 operations,
                 static_cast<std::int16_t>(header.line_base + adjusted % header.line_range)};
  }

  reader.Seek(header.program_start);
  TMachineState state;
  InitStateRegisters(state, header.default_is_stmt);
  bool first_row = true;
  // The targets, in increasing order, from head on are still searched for.
  // Every row answers for the searched targets at or below it, so those
  // left lie above every row read so far, and the last row read is the
  // last one below each of them: one remembered row serves them all.
  std::size_t head = 0;
  bool remembered = false;
  std::int32_t remembered_file = 0;
  std::int64_t remembered_line = 0;
  bool damaged = false;

  while (head < count) {
    int op = reader.ReadNext();
    if (op < 0) break;
    if (op >= header.opcode_base && op != 0) {
      // Special opcode: one step of address and line, and a row.
      if (whole_words) {
        state.address += steps[op].bytes;
      } else {
        Advance(state, header, steps[op].operations);
      }
      AddToLine(state, steps[op].line);
      state.row_ready = true;
      state.basic_block = state.prologue_end = state.epilogue_begin = false;
    } else {
      switch (op) {
        case 0: {
          std::uint64_t op_length = reader.ReadULEB128();
          std::int64_t start = reader.Pos();
          int sub = reader.ReadNext();
          if (sub < 0) {
            damaged = true;
            break;
          }
          if (sub == kEndSequence) {
            state.end_sequence = true;
            state.row_ready = true;
          } else if (sub == kSetAddress) {
            // The address takes the rest of the stated length.
            int width = op_length > 1 && op_length <= 9 ? static_cast<int>(op_length - 1) : 8;
            state.address = reader.ReadUnsigned(width);
            state.op_index = 0;
          } else if (sub == kDefineFile) {
            // Names defined here are not added to the file table.
            reader.ReadString();
            reader.SkipLEB128();
            reader.SkipLEB128();
            reader.SkipLEB128();
          }
          // Every extended opcode ends where its length says.
          if (op_length > static_cast<std::uint64_t>(reader.Limit() - start)) {
            damaged = true;
            break;
          }
          reader.Seek(start + static_cast<std::int64_t>(op_length));
          break;
        }
        case kCopy:
          state.row_ready = true;
          state.basic_block = state.prologue_end = state.epilogue_begin = false;
          break;
        case kAdvancePc:
          Advance(state, header, reader.ReadULEB128());
          break;
        case kAdvanceLine:
          AddToLine(state, reader.ReadLEB128());
          break;
        case kSetFile:
          state.file = static_cast<std::int32_t>(reader.ReadULEB128());
          break;
        case kSetColumn:
          state.column = static_cast<std::int32_t>(reader.ReadULEB128());
          break;
        case kNegateStmt:
          state.is_stmt = !state.is_stmt;
          break;
        case kSetBasicBlock:
          state.basic_block = true;
          break;
        case kConstAddPc:
          Advance(state, header, (255u - header.opcode_base) / header.line_range);
          break;
        case kFixedAdvancePc:
          state.address += reader.ReadUHalf();
          state.op_index = 0;
          break;
        case kSetPrologueEnd:
          state.prologue_end = true;
          break;
        case kSetEpilogueBegin:
          state.epilogue_begin = true;
          break;
        case kSetIsa:
          state.isa = static_cast<std::int32_t>(reader.ReadULEB128());
          break;
        default:
          // A standard opcode this reader does not know: skip its operands.
          for (int i = 0; i < header.standard_opcode_lengths[op]; ++i) reader.SkipLEB128();
          break;
      }
    }

    if (damaged) break;
    if (!state.row_ready) continue;
    if (first_row) {
      if (!facts.has_first_address) {
        facts.has_first_address = true;
        facts.first_address = state.address;
      }
      // A sequence that starts above a target ends its search in this unit.
      while (head < count && targets[head].target < state.address) targets[head++].done = true;
      first_row = false;
    }
    if (state.address > facts.max_address) facts.max_address = state.address;
    // The row strictly below a target answers for it, taken at the first
    // row at or above it.
    while (head < count && targets[head].target <= state.address) {
      TargetSearch& t = targets[head++];
      t.found = t.done = true;
      t.remembered = remembered;
      t.file = remembered_file;
      t.line = remembered_line;
    }
    remembered = true;
    remembered_file = state.file;
    remembered_line = state.line;
    state.row_ready = false;
    if (state.end_sequence) {
      InitStateRegisters(state, header.default_is_stmt);
      first_row = true;
    }
  }

  // Stopping because every target had its answer leaves the unit's highest
  // address unknown; every other end has seen all the rows there are.
  facts.scanned_whole = head < count || damaged;
  // Targets answered by rows of one file share its name, read once.
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
      names.push_back(GetFullFilename(reader, strings, header, static_cast<std::uint32_t>(t.file)));
      named = &t;
    }
  }
  return next;
}

}  // namespace rt
