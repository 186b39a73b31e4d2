// The loop that reads the opcodes by pointer over the buffered bytes, and
// the skim before it.
#include "dwarf/line/line_rows.h"
#include "dwarf/line/line_step.h"

namespace rt {

namespace {

// The loops read an opcode only while this many bytes are buffered.
constexpr std::ptrdiff_t kMargin = BufferedOperands::kMargin;
// The bytes of a stretch that Skim takes at once: long enough that its
// checks cost little, short enough that running one again costs little.
constexpr std::ptrdiff_t kSkimStretch = 256;

}  // namespace

void LineRowMachine::Skim() {
  // A sequence's first row is always shown.
  if (run_.show_from == 0) return;
  const std::uint8_t* p = run_.p;
  const std::uint8_t* last = run_.end - kMargin;
  LineRegisters r = run_.r;
  LineRegisters previous = run_.previous;
  while (last - p > kSkimStretch) {
    const std::uint8_t* from = p;
    LineRegisters before = r;
    // A stretch adds far less than 2^64 to the address, so one that wraps
    // it ends below where it began; in any other the addresses only grow,
    // and one whose last row lies below show_from holds no row to show.
    if (!SkimStretch(p, last, r) || r.address >= run_.show_from || r.address < before.address) {
      p = from;
      r = before;
      break;
    }
    previous = r;
    if (r.address > run_.max_address) run_.max_address = r.address;
  }
  run_.p = p;
  run_.r = r;
  run_.previous = previous;
}

bool LineRowMachine::SkimStretch(const std::uint8_t*& p, const std::uint8_t* last,
                                 LineRegisters& registers) const {
  // Copies, so that they stay in the processor's registers.
  LineRegisters r = registers;
  BufferedOperands in{p, run_.end};
  const std::uint8_t* stretch_end = p + kSkimStretch;
  bool ended = false;
  // The stretch ends before last, so only an opcode that makes no row can
  // take the bytes past it.
  for (;;) {
    unsigned op = in.Opcode();
    LineEffect effect = Execute<BufferedOperands, true>(op, in, r);
    if (effect == LineEffect::kRow) {
      if (in.p >= stretch_end) {
        ended = true;
        break;
      }
    } else if (effect != LineEffect::kNone || in.p >= last) {
      break;
    }
  }
  p = in.p;
  registers = r;
  return ended;
}

LineEffect LineRowMachine::RunBuffered() {
  Skim();
  // Only what changes at nearly every opcode lives in registers; the row
  // before is written to run_, which nothing here reads back.
  const std::uint8_t* last = run_.end - run_.p > kMargin ? run_.end - kMargin : run_.p;
  BufferedOperands in{run_.p, run_.end};
  LineRegisters r = run_.r;
  std::uint64_t max_address = run_.max_address;
  LineEffect stop = LineEffect::kStop;
  while (in.p < last) {
    const std::uint8_t* at = in.p;
    LineEffect effect = Execute<BufferedOperands, false>(in.Opcode(), in, r);
    if (effect == LineEffect::kNone) continue;
    if (effect != LineEffect::kRow) {
      in.p = at;  // read again through the cursor
      break;
    }
    if (r.address > max_address) max_address = r.address;
    if (r.address >= run_.show_from || r.end_sequence) {
      stop = LineEffect::kRow;
      break;
    }
    run_.previous = r;
  }
  run_.p = in.p;
  run_.r = r;
  run_.max_address = max_address;
  return stop;
}

}  // namespace rt
