// Reading lines from an input stream: line content, line ends, end of input.
#include "console/read_ops.h"

#include <cstring>

#include "base/error_numbers.h"
#include "console/io_result.h"
#include "console/std_streams.h"

namespace rt {

namespace {

constexpr std::uint8_t kLF = 0x0A;
constexpr std::uint8_t kCR = 0x0D;
constexpr std::uint8_t kCtrlZ = 0x1A;

bool IsTerminator(std::uint8_t c) {
  return c == kLF || c == kCR || (c == kCtrlZ && CtrlZMarksEOF);
}

// Bytes read per step of a line read; the string grows by this much.
constexpr std::int64_t kLineStep = 255;

// Sets the code for a stream that cannot be read, false then; an emptied
// buffer is refilled first, so that the caller finds the next byte at hand.
bool CheckRead(TextRec& t) {
  if (InOutRes != 0) return false;
  switch (t.Mode) {
    case ModeInput:
      if (t.BufferPos >= t.BufferEnd) t.TransferOp(t);
      return true;
    case ModeOutput:
    case ModeAppend:
      InOutRes = kFileNotOpenForInput;
      return false;
    default:
      InOutRes = kFileNotOpen;
      return false;
  }
}

// Moves up to max bytes of the current line, short of its terminator, into
// dest; returns how many.
std::int64_t ReadPCharLen(TextRec& t, char* dest, std::int64_t max) {
  if (!CheckRead(t)) return 0;
  std::int64_t count = 0;
  for (bool first = true;; first = false) {
    if (t.BufferPos >= t.BufferEnd) {
      // CheckRead has just asked the platform and found nothing (end of
      // input or a failed read): asking again at once would make a console
      // user end input twice, and would read on past a pending error.
      if (first) break;
      t.TransferOp(t);
      if (t.BufferPos >= t.BufferEnd) break;
    }
    const std::uint8_t* from = t.BufferPtr + t.BufferPos;
    std::int64_t avail = t.BufferEnd - t.BufferPos;
    std::int64_t scan = max - count < avail ? max - count : avail;
    std::int64_t k = 0;
    while (k < scan && !IsTerminator(from[k])) ++k;
    std::memcpy(dest + count, from, static_cast<std::size_t>(k));
    t.BufferPos += k;
    count += k;
    if (count == max || k < scan) break;
  }
  return count;
}

}  // namespace

void ReadLineString(TextRec& t, TaggedString& dest, std::uint16_t code_page) {
  dest.Release();
  std::int64_t total = 0;
  std::int64_t n;
  do {
    char* room = dest.GrowTo(static_cast<std::size_t>(total + kLineStep));
    n = ReadPCharLen(t, room + total, kLineStep);
    total += n;
  } while (n == kLineStep);
  dest.CutTo(static_cast<std::size_t>(total));
  dest.SetCodePage(t.CodePage);
  if (t.CodePage != code_page) dest = ConvertCodePage(dest, code_page);
}

void ReadLineEnd(TextRec& t) {
  if (!CheckRead(t)) return;
  auto end_of_input = [&t] {
    if (t.FlushOp != nullptr) t.FlushOp(t);
  };
  if (t.BufferPos >= t.BufferEnd) return end_of_input();
  if (CtrlZMarksEOF && t.BufferPtr[t.BufferPos] == kCtrlZ) return;
  for (;;) {
    std::uint8_t c = t.BufferPtr[t.BufferPos++];
    if (c == kLF) return;
    if (t.BufferPos >= t.BufferEnd) {
      // A CR may be the last byte delivered: read on to see whether LF follows.
      t.TransferOp(t);
      if (t.BufferPos >= t.BufferEnd) return end_of_input();
    }
    if (CtrlZMarksEOF && t.BufferPtr[t.BufferPos] == kCtrlZ) return;
    if (c == kCR) {
      if (t.BufferPtr[t.BufferPos] == kLF) ++t.BufferPos;
      return;
    }
  }
}

}  // namespace rt
