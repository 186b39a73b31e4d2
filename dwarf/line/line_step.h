// The interpreter of one line-program opcode, and the two ways it reads an
// opcode's operands: the cursor's buffered bytes by pointer, or the cursor.
// Only the row machine's files include it.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/line/line_opcodes.h"
#include "dwarf/line/line_rows.h"

namespace rt {

// Operands read by pointer from bytes buffered up to end. The loops read
// an opcode only while kMargin bytes are buffered from it, and its operands
// are read no further than that bound, which the compiler then knows holds
// the common ones: 0, a length, a sub-opcode and a number of up to ten
// bytes each. An operand that reaches past the bound is not read (the
// opcode is then read again through the cursor). Taken only with one
// operation per instruction word.
struct BufferedOperands {
  static constexpr bool kWholeWords = true;
  static constexpr LineEffect kCutShort = LineEffect::kStop;
  static constexpr std::ptrdiff_t kMargin = 2 + 2 * 10;
  const std::uint8_t* p;
  const std::uint8_t* end;
  const std::uint8_t* bound = nullptr;

  // The next opcode, which lies at least kMargin bytes before end.
  unsigned Opcode() {
    bound = p + kMargin;
    return *p++;
  }
  int Byte() { return p < bound ? *p++ : -1; }
  bool Number(bool is_signed, std::uint64_t& value) {
    return ReadBufferedLEB128(p, bound, is_signed, value);
  }
  bool Fixed(int n, std::uint64_t& value) {
    if (bound - p < n) return false;
    value = 0;
    for (int i = 0; i < n; ++i) value |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    p += n;
    return true;
  }
  const std::uint8_t* Here() const { return p; }
  bool Holds(const std::uint8_t* from, std::uint64_t length) const {
    return length <= static_cast<std::uint64_t>(end - from);
  }
  void MoveTo(const std::uint8_t* from, std::uint64_t length) { p = from + length; }
};

// Operands read through the cursor, across refills, to the window's end: a
// read past it reads what there is and leaves the cursor's error set.
struct CursorOperands {
  static constexpr bool kWholeWords = false;
  static constexpr LineEffect kCutShort = LineEffect::kDamaged;
  DwarfCursor& cursor;

  int Byte() { return cursor.ReadNext(); }
  bool Number(bool is_signed, std::uint64_t& value) {
    value = is_signed ? static_cast<std::uint64_t>(cursor.ReadLEB128()) : cursor.ReadULEB128();
    return true;
  }
  bool Fixed(int n, std::uint64_t& value) {
    value = cursor.ReadUnsigned(n);
    return true;
  }
  std::int64_t Here() const { return cursor.Pos(); }
  bool Holds(std::int64_t from, std::uint64_t length) const {
    return length <= static_cast<std::uint64_t>(cursor.Limit() - from);
  }
  void MoveTo(std::int64_t from, std::uint64_t length) {
    cursor.Seek(from + static_cast<std::int64_t>(length));
  }
};

// Inlined into each loop: its registers are the loop's. The commonest
// opcodes first, by tests the processor predicts better than a jump
// through a table.
template <typename Bytes, bool kSkimming>
[[gnu::always_inline]] inline LineEffect LineRowMachine::Execute(unsigned op, Bytes& in,
                                                                 LineRegisters& r) const {
  using namespace line_opcodes;
  std::uint64_t value = 0;
  if (op >= first_special_) {
    // One step of address and line, and a row.
    if constexpr (Bytes::kWholeWords) {
      r.address += steps_[op].bytes;
    } else {
      Advance<false>(r, steps_[op].operations);
    }
    r.line = AddToLine(r.line, steps_[op].line);
    return LineEffect::kRow;
  }
  if (op == kCopy) return LineEffect::kRow;
  if (op == kSetColumn) {
    if (!in.Number(false, value)) return LineEffect::kStop;
    r.column = static_cast<std::int32_t>(value);
    return LineEffect::kNone;
  }
  if (op == kNegateStmt) return LineEffect::kNone;
  if (op == kAdvanceLine) {
    if (!in.Number(true, value)) return LineEffect::kStop;
    r.line = AddToLine(r.line, static_cast<std::int64_t>(value));
    return LineEffect::kNone;
  }
  switch (op) {
    case 0:
      return Extended<Bytes, kSkimming>(in, r);
    case kAdvancePc:
      if (!in.Number(false, value)) return LineEffect::kStop;
      // A skimmed stretch must not wrap the address: its steps stay small.
      if (kSkimming && value >= 0x4000) return LineEffect::kStop;
      Advance<Bytes::kWholeWords>(r, value);
      break;
    case kSetFile:
      if (!in.Number(false, value)) return LineEffect::kStop;
      r.file = static_cast<std::int32_t>(value);
      break;
    case kSetIsa:
      if (!in.Number(false, value)) return LineEffect::kStop;
      break;
    case kSetBasicBlock:
    case kSetPrologueEnd:
    case kSetEpilogueBegin:
      break;
    case kConstAddPc:
      Advance<Bytes::kWholeWords>(r, steps_[255].operations);
      break;
    case kFixedAdvancePc:
      if (!in.Fixed(2, value)) return LineEffect::kStop;
      r.address += value;
      r.op_index = 0;
      break;
    default:
      // A standard opcode this reader does not know: skip its operands.
      for (int i = 0; i < header_.standard_opcode_lengths[op]; ++i) {
        if (!in.Number(false, value)) return LineEffect::kStop;
      }
      break;
  }
  return LineEffect::kNone;
}

// An opcode with its own length: every one ends where its length says.
// Nothing changes before the whole opcode is known to be there. Inlined
// too: a call would take the loop's registers to memory at every
// discriminator.
template <typename Bytes, bool kSkimming>
[[gnu::always_inline]] inline LineEffect LineRowMachine::Extended(Bytes& in,
                                                                  LineRegisters& r) const {
  using namespace line_opcodes;
  std::uint64_t length, value = 0;
  if (!in.Number(false, length)) return LineEffect::kStop;
  auto start = in.Here();
  int sub = in.Byte();
  // A discriminator, which compilers give many rows, is all a skim takes.
  if (kSkimming && sub != kSetDiscriminator) return LineEffect::kStop;
  if (sub < 0 || !in.Holds(start, length)) return Bytes::kCutShort;
  if (sub == kSetAddress) {
    // The address takes the rest of the stated length.
    int width = length > 1 && length <= 9 ? static_cast<int>(length - 1) : 8;
    if (!in.Fixed(width, value)) return LineEffect::kStop;
    r.address = value;
    r.op_index = 0;
  }
  in.MoveTo(start, length);
  if (sub != kEndSequence) return LineEffect::kNone;
  r.end_sequence = true;
  return LineEffect::kRow;
}

// Moves the address on by a number of operations; with more than one
// operation per instruction word, the word's operation index moves too.
template <bool kWholeWords>
inline void LineRowMachine::Advance(LineRegisters& r, std::uint64_t operations) const {
  std::uint8_t per_word = header_.maximum_operations_per_instruction;
  if (kWholeWords || whole_words_) {
    r.address += operations * header_.minimum_instruction_length;
  } else {
    std::uint64_t total = r.op_index + operations;
    r.address += header_.minimum_instruction_length * (total / per_word);
    r.op_index = static_cast<std::uint32_t>(total % per_word);
  }
}

}  // namespace rt
