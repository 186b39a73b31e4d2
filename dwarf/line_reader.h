// A read window over one part of a run of bytes: every read stays inside
// it, and a read past its end answers -1 (or an empty value) instead of
// reading on. A source that fails to deliver ends the window the same way.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "exe/byte_source.h"

namespace rt {

class LineReader {
 public:
  // Bytes read from the source at a time. Larger than a line program's
  // typical opcode run, so a unit is read in few calls.
  static constexpr std::int64_t kBufferSize = 16384;

  ByteSource* source() const { return source_; }
  // Reads from source from now on; nothing read before is kept.
  void Bind(ByteSource* source) {
    source_ = source;
    fill_ = held_ = 0;
    kept_size_ = 0;
  }
  // Reads at most n bytes (1 to kBufferSize) from the source at a time: a
  // reader that takes a few bytes here and there need not copy a whole
  // buffer each time.
  void SetReadSize(std::int64_t n) { read_size_ = n < 1 ? 1 : n > kBufferSize ? kBufferSize : n; }

  // The window becomes limit bytes of the source from base; position 0.
  void Init(std::int64_t base, std::int64_t limit);
  // Keeps the window's first n bytes (at most kKeptSize) at hand while the
  // window stays: reading them again later does not read the source again,
  // which a compressed source would decode anew from far back.
  void Keep(std::int64_t n);
  void Seek(std::int64_t pos);
  std::int64_t Pos() const { return pos_; }
  std::int64_t Limit() const { return limit_; }
  // True once a read has met the end of the window.
  bool Exhausted() const { return exhausted_; }

  // The next byte, or -1 at the end of the window or the source.
  int ReadNext() {
    // One unsigned comparison: a position before the buffer wraps to a
    // large index.
    std::uint64_t at = static_cast<std::uint64_t>(pos_) - static_cast<std::uint64_t>(buffer_start_);
    if (at < static_cast<std::uint64_t>(fill_)) {
      ++pos_;
      return buffer_[at];
    }
    return Refill() ? buffer_[pos_++ - buffer_start_] : -1;
  }
  // Copies the next n bytes; false when the window ends first.
  bool ReadNext(void* dest, std::int64_t n);

  // Most numbers in a line program fit one byte: that case stays inline.
  std::uint64_t ReadULEB128() {
    int b = ReadNext();
    if (b >= 0 && b < 0x80) return static_cast<std::uint64_t>(b);
    return ReadULEB128From(b);
  }
  std::int64_t ReadLEB128() {
    int b = ReadNext();
    if (b >= 0 && b < 0x40) return b;
    if (b >= 0x40 && b < 0x80) return b - 0x80;
    return ReadLEB128From(b);
  }
  // A little-endian unsigned value of n bytes (n up to 8).
  std::uint64_t ReadUnsigned(int n);
  std::uint16_t ReadUHalf() { return static_cast<std::uint16_t>(ReadUnsigned(2)); }
  // Bytes up to a NUL: at most 255 kept, the rest read and dropped; empty
  // when the window ends before the NUL.
  Text ReadString();
  void SkipLEB128() { ReadULEB128(); }
  void Skip(std::uint64_t n);
  // Strings up to and including the first empty one.
  void SkipDirectories();
  // Entries of a string and three LEB128 numbers, up to the first empty string.
  void SkipFilenames();

 private:
  bool Refill();
  // The rest of a number whose first byte (or -1) has been read.
  std::uint64_t ReadULEB128From(int first);
  std::int64_t ReadLEB128From(int first);

  static constexpr std::int64_t kKeptSize = 8192;

  ByteSource* source_ = nullptr;
  std::int64_t base_ = 0;
  std::int64_t limit_ = 0;
  std::int64_t pos_ = 0;
  std::int64_t buffer_start_ = 0;
  // The buffer holds held_ bytes from buffer_start_; the first fill_ of them
  // lie inside the window. Bytes past the window stay for the next one.
  std::int64_t fill_ = 0, held_ = 0;
  std::int64_t read_size_ = kBufferSize;
  bool exhausted_ = false;
  std::uint8_t buffer_[kBufferSize];
  std::int64_t kept_base_ = -1, kept_size_ = 0;
  std::uint8_t kept_[kKeptSize];
};

}  // namespace rt
