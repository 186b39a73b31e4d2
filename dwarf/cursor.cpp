// The bounded cursor of the DWARF readers.
#include "dwarf/cursor.h"

#include <cstring>

namespace rt {

BufferedNumber ReadLongBufferedLEB128(const std::uint8_t* p, const std::uint8_t* end,
                                      bool is_signed) {
  LEB128Number number;
  if (!number.Take(p, end, is_signed)) return {nullptr, 0};
  return {p, number.value};
}

void DwarfCursor::Bind(ByteSource* source) {
  source_ = source;
  fill_ = held_ = 0;
  kept_size_ = 0;
  error_ = CursorError::kNone;
  io_error_ = 0;
}

void DwarfCursor::Fail(CursorError error) {
  if (error == CursorError::kReadFailed) {
    // Nothing more is served, not even what is buffered: the file is gone.
    error_ = error;
    fill_ = held_ = 0;
  } else if (error_ == CursorError::kNone) {
    error_ = error;
  }
}

void DwarfCursor::Init(std::int64_t base, std::int64_t limit) {
  if (base != kept_base_) kept_size_ = 0;
  // The bytes already buffered stay usable when the new window covers them.
  std::int64_t shift = base - base_;
  base_ = base;
  limit_ = limit < 0 ? 0 : limit;
  buffer_start_ -= shift;
  pos_ = 0;
  if (error_ == CursorError::kPastEnd) error_ = CursorError::kNone;
  std::int64_t room = limit_ > buffer_start_ ? limit_ - buffer_start_ : 0;
  fill_ = held_ < room ? held_ : room;
}

bool DwarfCursor::EnterUnit(std::int64_t offset, std::int64_t end, UnitExtent& extent) {
  extent = UnitExtent();
  extent.offset = offset;
  extent.next = end;
  Init(offset, end - offset);
  std::uint64_t length = ReadUnsigned(4);
  extent.contents = 4;
  if (length == 0xFFFFFFFF) {
    length = ReadUnsigned(8);
    extent.contents = 12;
    extent.is64 = true;
  }
  if (!ok()) return false;
  // No unit reaches past the bound, however long it says it is.
  std::uint64_t room = static_cast<std::uint64_t>(end - offset);
  std::uint64_t size = length + static_cast<std::uint64_t>(extent.contents);
  if (size > room || size < length) {
    size = room;
    extent.cut_short = true;
  }
  extent.next = offset + static_cast<std::int64_t>(size);
  offset_size_ = extent.offset_size();
  Init(offset, static_cast<std::int64_t>(size));
  Seek(extent.contents);
  return true;
}

void DwarfCursor::Seek(std::int64_t pos) {
  pos_ = pos;
  if (error_ == CursorError::kPastEnd) error_ = CursorError::kNone;
}

void DwarfCursor::Keep(std::int64_t n) {
  std::int64_t room = static_cast<std::int64_t>(kept_.size());
  if (n > room) n = room;
  if (n > limit_) n = limit_;
  kept_size_ = 0;
  if (n <= 0 || error_ == CursorError::kReadFailed) return;
  // Usually the bytes were just read and are still in the buffer.
  if (buffer_start_ <= 0 && buffer_start_ + fill_ >= n) {
    std::memcpy(kept_.data(), buffer_ - buffer_start_, static_cast<std::size_t>(n));
  } else if (source_ == nullptr || source_->ReadAt(base_, kept_.data(), n).count != n) {
    return;
  }
  kept_base_ = base_;
  kept_size_ = n;
}

bool DwarfCursor::Refill() {
  std::int64_t want = limit_ - pos_;
  if (error_ != CursorError::kNone) return false;
  if (pos_ < 0 || want <= 0 || source_ == nullptr) {
    Fail(CursorError::kPastEnd);
    return false;
  }
  if (kept_base_ == base_ && pos_ < kept_size_) {
    std::int64_t n = kept_size_ < limit_ ? kept_size_ : limit_;
    std::memcpy(buffer_, kept_.data(), static_cast<std::size_t>(n));
    buffer_start_ = 0;
    fill_ = held_ = n;
    return true;
  }
  if (want > read_size_) want = read_size_;
  ReadResult got = source_->ReadAt(base_ + pos_, buffer_, want);
  buffer_start_ = pos_;
  fill_ = held_ = got.count > 0 ? got.count : 0;
  if (got.count > 0) return true;
  if (got.io_error != 0) {
    io_error_ = got.io_error;
    Fail(CursorError::kReadFailed);
  } else {
    Fail(CursorError::kPastEnd);
  }
  return false;
}

bool DwarfCursor::ReadNext(void* dest, std::int64_t n) {
  std::uint8_t* to = static_cast<std::uint8_t*>(dest);
  while (n > 0) {
    if (!(pos_ >= buffer_start_ && pos_ < buffer_start_ + fill_) && !Refill()) return false;
    std::int64_t k = buffer_start_ + fill_ - pos_;
    if (k > n) k = n;
    std::memcpy(to, buffer_ + (pos_ - buffer_start_), static_cast<std::size_t>(k));
    to += k;
    pos_ += k;
    n -= k;
  }
  return true;
}

std::uint64_t DwarfCursor::ReadLEB128Across(bool is_signed) {
  LEB128Number number;
  for (;;) {
    std::int64_t n;
    const std::uint8_t* from = Buffered(n);
    if (n == 0) return number.value;
    const std::uint8_t* p = from;
    bool whole = number.Take(p, from + n, is_signed);
    pos_ += p - from;
    if (whole) return number.value;
  }
}

std::uint64_t DwarfCursor::ReadUnsigned(int n) {
  std::uint64_t value = 0;
  for (int i = 0; i < n; ++i) {
    int b = ReadNext();
    if (b < 0) break;
    if (i < 8) value |= static_cast<std::uint64_t>(b) << (8 * i);
  }
  return value;
}

Text DwarfCursor::ReadString() {
  Text text;
  for (;;) {
    int b = ReadNext();
    if (b < 0) return Text();
    if (b == 0) return text;
    if (text.length < Text::kCapacity) text.bytes[text.length++] = static_cast<char>(b);
  }
}

void DwarfCursor::Skip(std::uint64_t n) {
  std::uint64_t room = limit_ > pos_ ? static_cast<std::uint64_t>(limit_ - pos_) : 0;
  if (n > room) {
    pos_ = limit_;
    Fail(CursorError::kPastEnd);
  } else {
    pos_ += static_cast<std::int64_t>(n);
  }
}

}  // namespace rt
