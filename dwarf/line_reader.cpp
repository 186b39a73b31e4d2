// The bounded read window of the line-table reader.
#include "dwarf/line_reader.h"

#include <cstring>

namespace rt {

void LineReader::Init(std::int64_t base, std::int64_t limit) {
  if (base != kept_base_) kept_size_ = 0;
  // The bytes already buffered stay usable when the new window covers them.
  std::int64_t shift = base - base_;
  base_ = base;
  limit_ = limit < 0 ? 0 : limit;
  buffer_start_ -= shift;
  pos_ = 0;
  exhausted_ = false;
  std::int64_t room = limit_ > buffer_start_ ? limit_ - buffer_start_ : 0;
  fill_ = held_ < room ? held_ : room;
}

void LineReader::Seek(std::int64_t pos) {
  pos_ = pos;
  exhausted_ = false;
}

void LineReader::Keep(std::int64_t n) {
  if (n > kKeptSize) n = kKeptSize;
  if (n > limit_) n = limit_;
  kept_size_ = 0;
  if (n <= 0) return;
  // Usually the bytes were just read and are still in the buffer.
  if (buffer_start_ <= 0 && buffer_start_ + fill_ >= n) {
    std::memcpy(kept_, buffer_ - buffer_start_, static_cast<std::size_t>(n));
  } else if (source_ == nullptr || source_->ReadAt(base_, kept_, n) != n) {
    return;
  }
  kept_base_ = base_;
  kept_size_ = n;
}

bool LineReader::Refill() {
  std::int64_t want = limit_ - pos_;
  if (pos_ < 0 || want <= 0 || source_ == nullptr) {
    exhausted_ = true;
    return false;
  }
  if (kept_base_ == base_ && pos_ < kept_size_) {
    std::int64_t n = kept_size_ < limit_ ? kept_size_ : limit_;
    std::memcpy(buffer_, kept_, static_cast<std::size_t>(n));
    buffer_start_ = 0;
    fill_ = held_ = n;
    return true;
  }
  if (want > read_size_) want = read_size_;
  std::int64_t got = source_->ReadAt(base_ + pos_, buffer_, want);
  buffer_start_ = pos_;
  fill_ = held_ = got > 0 ? got : 0;
  if (got <= 0) {
    exhausted_ = true;
    return false;
  }
  return true;
}

bool LineReader::ReadNext(void* dest, std::int64_t n) {
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

std::uint64_t LineReader::ReadULEB128From(int b) {
  std::uint64_t result = 0;
  for (int shift = 0;; shift += 7) {
    if (b < 0) return result;
    if (shift < 64) result |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if ((b & 0x80) == 0) return result;
    b = ReadNext();
  }
}

std::int64_t LineReader::ReadLEB128From(int b) {
  std::uint64_t result = 0;
  int shift = 0;
  for (;;) {
    if (b < 0) return static_cast<std::int64_t>(result);
    if (shift < 64) result |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    shift += 7;
    if ((b & 0x80) == 0) break;
    b = ReadNext();
  }
  if (shift < 64 && (b & 0x40) != 0) result |= ~std::uint64_t{0} << shift;
  return static_cast<std::int64_t>(result);
}

std::uint64_t LineReader::ReadUnsigned(int n) {
  std::uint64_t value = 0;
  for (int i = 0; i < n; ++i) {
    int b = ReadNext();
    if (b < 0) break;
    if (i < 8) value |= static_cast<std::uint64_t>(b) << (8 * i);
  }
  return value;
}

Text LineReader::ReadString() {
  Text text;
  for (;;) {
    int b = ReadNext();
    if (b < 0) return Text();
    if (b == 0) return text;
    if (text.length < Text::kCapacity) text.bytes[text.length++] = static_cast<char>(b);
  }
}

void LineReader::Skip(std::uint64_t n) {
  std::uint64_t room = limit_ > pos_ ? static_cast<std::uint64_t>(limit_ - pos_) : 0;
  if (n > room) {
    pos_ = limit_;
    exhausted_ = true;
  } else {
    pos_ += static_cast<std::int64_t>(n);
  }
}

void LineReader::SkipDirectories() {
  while (ReadString().length != 0) {
  }
}

void LineReader::SkipFilenames() {
  while (ReadString().length != 0) {
    SkipLEB128();
    SkipLEB128();
    SkipLEB128();
  }
}

}  // namespace rt
