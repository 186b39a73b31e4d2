// The bounded cursor of every DWARF reader: a read window over one part of
// a section's bytes. Every read stays inside the window; one that would
// leave it, or that the file behind the section fails, reads nothing and
// sets the cursor's error, which every later read respects: the parser reads
// on without checking each step and asks once, at the end, whether the data
// ran out or the file could not be read.
#pragma once

#include <cstdint>
#include <span>

#include "base/text.h"
#include "exe/byte_source.h"

namespace rt {

enum class CursorError : std::uint8_t {
  kNone,
  kPastEnd,     // a read met the end of the window or of the data
  kReadFailed,  // the file behind the section could not be read
};

// Where a unit lies, from its initial length: 4 bytes in the 32-bit format,
// or 0xFFFFFFFF and 8 bytes in the 64-bit one. Offsets are the source's.
struct UnitExtent {
  std::int64_t offset = 0;    // the unit's first byte
  std::int64_t contents = 0;  // the first byte after the initial length, from offset
  std::int64_t next = 0;      // the first byte after the unit, at most the bound given
  bool is64 = false;
  bool cut_short = false;  // the stated length reached past the bound

  std::uint8_t offset_size() const { return is64 ? 8 : 4; }
};

// The one LEB128 decoder of the DWARF readers, resumable so that a number
// may span two reads of a cursor: it takes the bytes of a number from p on,
// up to end, and answers true once the number's last byte is taken (p then
// after it), false when end came first (p at end). The bits of a number
// longer than 64 are dropped.
struct LEB128Number {
  std::uint64_t value = 0;
  int shift = 0;

  bool Take(const std::uint8_t*& p, const std::uint8_t* end, bool is_signed) {
    while (p < end) {
      std::uint8_t b = *p++;
      if (shift < 64) value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      // Held at 70: a padded number of any length cannot overflow it.
      if (shift < 64) shift += 7;
      if (b < 0x80) {
        if (is_signed && shift < 64 && (b & 0x40) != 0) value |= ~std::uint64_t{0} << shift;
        return true;
      }
    }
    return false;
  }
};

// A number read from buffered bytes and where the bytes after it begin; a
// null end for a number that reaches past the bytes given.
struct BufferedNumber {
  const std::uint8_t* end;
  std::uint64_t value;
};

// Numbers of more than one byte, out of line and answered by value, so
// that the loops reading the common one-byte numbers keep their pointer in
// a register.
[[gnu::noinline]] BufferedNumber ReadLongBufferedLEB128(const std::uint8_t* p,
                                                        const std::uint8_t* end, bool is_signed);

// A LEB128 number whose bytes all lie before end, for readers that take a
// cursor's buffered bytes; false (p kept) for one that reaches past it.
// Nearly every number of a line program or an abbreviation table takes one
// or two bytes: those cases stay inline.
inline bool ReadBufferedLEB128(const std::uint8_t*& p, const std::uint8_t* end, bool is_signed,
                               std::uint64_t& value) {
  if (p < end && *p < 0x80) {
    std::uint64_t b = *p++;
    value = is_signed ? static_cast<std::uint64_t>(static_cast<std::int64_t>(b << 57) >> 57) : b;
    return true;
  }
  if (end - p >= 2 && p[1] < 0x80) {
    std::uint64_t b = (p[0] & 0x7Fu) | static_cast<std::uint64_t>(p[1]) << 7;
    value = is_signed ? static_cast<std::uint64_t>(static_cast<std::int64_t>(b << 50) >> 50) : b;
    p += 2;
    return true;
  }
  BufferedNumber number = ReadLongBufferedLEB128(p, end, is_signed);
  if (number.end == nullptr) return false;
  p = number.end;
  value = number.value;
  return true;
}

class DwarfCursor {
 public:
  // Bytes read from the source at a time. Larger than a line program's
  // typical opcode run, so a unit is read in few calls.
  static constexpr std::int64_t kBufferSize = 16384;

  ByteSource* source() const { return source_; }
  // Reads from source from now on; nothing read before is kept, and a
  // failed read of the source before is forgotten.
  void Bind(ByteSource* source);
  // Reads at most n bytes (1 to kBufferSize) from the source at a time: a
  // reader that takes a few bytes here and there need not copy a whole
  // buffer each time.
  void SetReadSize(std::int64_t n) { read_size_ = n < 1 ? 1 : n > kBufferSize ? kBufferSize : n; }

  // The window becomes limit bytes of the source from base; position 0.
  void Init(std::int64_t base, std::int64_t limit);
  // Frames the unit at offset: reads its initial length (the unit may reach
  // no further than end) and makes the unit the window, positions counting
  // from its first byte and the cursor standing after the length. Offsets
  // read later take the unit's format. False when the length cannot be
  // read; extent.next is then end.
  bool EnterUnit(std::int64_t offset, std::int64_t end, UnitExtent& extent);
  // Moves to a position of the window. Seek and Init begin a new run of
  // reads: running past the end is forgotten, a failed read is not.
  void Seek(std::int64_t pos);
  // Keeps the window's first n bytes (at most the store's size) at hand
  // while the window stays: reading them again later does not read the
  // source again, which a compressed source would decode anew from far
  // back. Only a cursor given a store by KeepIn keeps anything: the one
  // reader that goes back (the line search) owns one, the rest pay nothing.
  void Keep(std::int64_t n);
  // The store must outlive the cursor's use of it.
  void KeepIn(std::span<std::uint8_t> store) {
    kept_ = store;
    kept_size_ = 0;
  }

  std::int64_t Pos() const { return pos_; }
  std::int64_t Limit() const { return limit_; }
  CursorError error() const { return error_; }
  bool ok() const { return error_ == CursorError::kNone; }
  // The I/O code of the failed read, with kReadFailed.
  std::uint16_t io_error() const { return io_error_; }

  // The next byte, or -1 when the window ends or an error is set.
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

  // Numbers whose bytes are all buffered are read there; the rest, read
  // across refills, by the same decoder.
  std::uint64_t ReadULEB128() { return ReadLEB128Bits(false); }
  std::int64_t ReadLEB128() { return static_cast<std::int64_t>(ReadLEB128Bits(true)); }
  // A little-endian unsigned value of n bytes (n up to 8).
  std::uint64_t ReadUnsigned(int n);
  std::uint16_t ReadUHalf() { return static_cast<std::uint16_t>(ReadUnsigned(2)); }
  // A section offset or length of the unit's format: 4 or 8 bytes.
  std::uint64_t ReadOffset() { return ReadUnsigned(offset_size_); }
  std::uint8_t offset_size() const { return offset_size_; }
  // Bytes up to a NUL: at most 255 kept, the rest read and dropped; empty
  // when the window ends before the NUL.
  Text ReadString();
  void SkipLEB128() { ReadULEB128(); }
  void Skip(std::uint64_t n);

  // For the one reader that takes nearly every byte of a window (the line
  // program's rows): the bytes buffered from the position on, n of them,
  // refilled first when none is; n is 0 at the window's end or once an error
  // is set. Consume(k) then moves the position past k of them.
  const std::uint8_t* Buffered(std::int64_t& n) {
    std::uint64_t at = static_cast<std::uint64_t>(pos_) - static_cast<std::uint64_t>(buffer_start_);
    if (at >= static_cast<std::uint64_t>(fill_)) {
      if (!Refill()) {
        n = 0;
        return buffer_;
      }
      at = static_cast<std::uint64_t>(pos_ - buffer_start_);
    }
    n = fill_ - static_cast<std::int64_t>(at);
    return buffer_ + at;
  }
  void Consume(std::int64_t k) { pos_ += k; }

 private:
  bool Refill();
  void Fail(CursorError error);
  std::uint64_t ReadLEB128Bits(bool is_signed) {
    std::uint64_t at = static_cast<std::uint64_t>(pos_) - static_cast<std::uint64_t>(buffer_start_);
    if (at < static_cast<std::uint64_t>(fill_)) {
      const std::uint8_t* p = buffer_ + at;
      std::uint64_t value;
      if (ReadBufferedLEB128(p, buffer_ + fill_, is_signed, value)) {
        pos_ += p - (buffer_ + at);
        return value;
      }
    }
    return ReadLEB128Across(is_signed);
  }
  // A number that ends past the buffered bytes, or the bits read of one
  // that the window ends first.
  std::uint64_t ReadLEB128Across(bool is_signed);

  ByteSource* source_ = nullptr;
  std::int64_t base_ = 0;
  std::int64_t limit_ = 0;
  std::int64_t pos_ = 0;
  std::int64_t buffer_start_ = 0;
  // The buffer holds held_ bytes from buffer_start_; the first fill_ of them
  // lie inside the window. Bytes past the window stay for the next one.
  std::int64_t fill_ = 0, held_ = 0;
  std::int64_t read_size_ = kBufferSize;
  CursorError error_ = CursorError::kNone;
  std::uint16_t io_error_ = 0;
  std::uint8_t offset_size_ = 4;
  std::uint8_t buffer_[kBufferSize];
  std::int64_t kept_base_ = -1, kept_size_ = 0;
  std::span<std::uint8_t> kept_;
};

}  // namespace rt
