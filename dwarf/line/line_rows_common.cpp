// The loop of the common opcodes, over the buffered bytes with no bound
// check, and the skim before it.
#include "dwarf/line/line_opcodes.h"
#include "dwarf/line/line_rows.h"

namespace rt {

using namespace line_opcodes;

namespace {

// The longest LEB128 number the loop of the common opcodes reads: any
// 64-bit value, with no room for padding.
constexpr int kLongestNumber = 10;
// The loop reads an opcode only while this many bytes are buffered, so that
// none of its operands needs a bound check. The opcode with the most bytes
// read there is the discriminator's: 0, its length, the sub-opcode and its
// number.
constexpr std::ptrdiff_t kMargin = 2 + 2 * kLongestNumber;
// The bytes of a stretch that Skim takes at once: long enough that its
// checks cost little, short enough that running one again costs little.
constexpr std::ptrdiff_t kSkimStretch = 256;

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

// Inlined, as the next: its registers are the loop's.
[[gnu::always_inline]] inline bool LineRowMachine::StepToRow(unsigned op, RowRegisters& r) const {
  if (op >= first_special_) {
    r.address += steps_[op].bytes;
    r.line = AddToLine(r.line, steps_[op].line);
    return true;
  }
  return op == kCopy;
}

template <bool kSkimming>
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
        // Steps of up to two bytes add less in a stretch than could wrap.
        if (kSkimming && (q[0] & q[1] & 0x80) != 0) return false;
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

void LineRowMachine::Skim() {
  // A sequence's first row is always shown.
  if (run_.show_from == 0) return;
  const std::uint8_t* p = run_.p;
  const std::uint8_t* last = run_.end - kMargin;
  RowRegisters r{run_.address, run_.line, run_.file};
  std::int32_t previous_file = run_.previous_file;
  std::int64_t previous_line = run_.previous_line;
  while (last - p > kSkimStretch) {
    const std::uint8_t* from = p;
    RowRegisters before = r;
    // A stretch adds far less than 2^64 to the address, so one that wraps
    // it ends below where it began; in any other the addresses only grow,
    // and one whose last row lies below show_from holds no row to show.
    if (!SkimStretch(p, last, r) || r.address >= run_.show_from || r.address < before.address) {
      p = from;
      r = before;
      break;
    }
    previous_file = r.file;
    previous_line = r.line;
    if (r.address > run_.max_address) run_.max_address = r.address;
  }
  run_.p = p;
  run_.address = r.address;
  run_.line = r.line;
  run_.file = r.file;
  run_.previous_file = previous_file;
  run_.previous_line = previous_line;
}

bool LineRowMachine::SkimStretch(const std::uint8_t*& p, const std::uint8_t* last,
                                 RowRegisters& registers) const {
  // Copies, so that they stay in the processor's registers.
  RowRegisters r = registers;
  const std::uint8_t* q = p;
  const std::uint8_t* stretch_end = q + kSkimStretch;
  bool ended = false;
  for (;;) {
    unsigned op = *q;
    if (StepToRow(op, r)) {
      if (++q >= stretch_end) {
        ended = true;
        break;
      }
    } else if (q >= last || !StepWithoutRow<true>(op, q, r)) {
      break;
    }
  }
  p = q;
  registers = r;
  return ended;
}

LineRowMachine::Stop LineRowMachine::RunCommon() {
  Skim();
  // Only what changes at nearly every opcode lives in registers; the row
  // before is written to run_, which nothing here reads back.
  const std::uint8_t* p = run_.p;
  const std::uint8_t* last = run_.end - run_.p > kMargin ? run_.end - kMargin : p;
  RowRegisters r{run_.address, run_.line, run_.file};
  std::uint64_t max_address = run_.max_address;
  Stop stop = Stop::kOther;
  while (p < last) {
    unsigned op = *p;
    if (StepToRow(op, r)) {
      ++p;
    } else if (StepWithoutRow<false>(op, p, r)) {
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

}  // namespace rt
