// Writing texts, integers and line ends into a stream's buffer.
#include "console/write_ops.h"

#include <algorithm>
#include <cstring>

#include "base/error_numbers.h"
#include "base/every_run.h"
#include "base/text.h"
#include "console/io_result.h"

namespace rt {

namespace {

// A buffer filled to the brim waits for the next byte before it is drained,
// so a line of exactly the buffer's size still goes out at its line end.
template <typename Fill>
void BufferPieces(TextRec& t, std::int64_t n, Fill fill) {
  std::int64_t room = t.BufferSize - t.BufferPos;
  while (n > room) {
    fill(t.BufferPtr + t.BufferPos, room);
    t.BufferPos += room;
    t.TransferOp(t);
    n -= room;
    room = t.BufferSize - t.BufferPos;
  }
  fill(t.BufferPtr + t.BufferPos, n);
  t.BufferPos += n;
}

// Sets the code for a stream that cannot be written; false then.
bool CheckWrite(TextRec& t) {
  if (t.Mode == ModeOutput) return true;
  InOutRes = t.Mode == ModeInput ? kFileNotOpenForOutput : kFileNotOpen;
  return false;
}

}  // namespace

void BufferBytes(TextRec& t, const std::uint8_t* bytes, std::int64_t n) {
  BufferPieces(t, n, [&bytes](std::uint8_t* to, std::int64_t k) {
    std::memcpy(to, bytes, static_cast<std::size_t>(k));
    bytes += k;
  });
}

void BufferBlanks(TextRec& t, std::int64_t n) {
  BufferPieces(t, n, [](std::uint8_t* to, std::int64_t k) {
    std::memset(to, ' ', static_cast<std::size_t>(k));
  });
}

void WriteText(std::int32_t width, TextRec& t, std::string_view text) {
  if (InOutRes != 0 || !CheckWrite(t)) return;
  std::int64_t length = static_cast<std::int64_t>(std::min(text.size(), MaxTextLength));
  if (length < width) BufferBlanks(t, width - length);
  BufferBytes(t, reinterpret_cast<const std::uint8_t*>(text.data()), length);
}

void WriteSigned(std::int32_t width, TextRec& t, std::int64_t value) {
  if (InOutRes != 0) return;
  char area[MaxTextLength];
  char* end = area + sizeof area;
  char* begin = FormSignedDecimal(value, end);
  WriteText(width, t, std::string_view(begin, static_cast<std::size_t>(end - begin)));
}

void WriteUnsigned(std::int32_t width, TextRec& t, std::uint64_t value) {
  if (InOutRes != 0) return;
  char area[MaxTextLength];
  char* end = area + sizeof area;
  char* begin = FormDecimal(value, end);
  WriteText(width, t, std::string_view(begin, static_cast<std::size_t>(end - begin)));
}

void WriteLineEnd(TextRec& t) {
  if (InOutRes != 0 || !CheckWrite(t)) return;
  BufferBytes(t, t.LineBreak + 1, t.LineBreak[0]);
  if (t.FlushOp != nullptr) t.FlushOp(t);
}

QUIZ_EVERY_RUN void Flush(TextRec& t) {
  if (InOutRes != 0 || !CheckWrite(t)) return;
  t.TransferOp(t);
}

}  // namespace rt
