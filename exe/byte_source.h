// A run of bytes that a parser reads by offset: a section of an executable
// file, or bytes in memory. Offsets count from the run's first byte, and a
// read never leaves the run.
#pragma once

#include <cstdint>
#include <cstring>

namespace rt {

// What a read delivered: fewer bytes than asked only at the run's end, or
// when the file behind the run could not be read, whose I/O code it gives.
struct ReadResult {
  std::int64_t count = 0;
  std::uint16_t io_error = 0;
};

class ByteSource {
 public:
  // Copies up to n bytes from offset into buffer.
  virtual ReadResult ReadAt(std::int64_t offset, void* buffer, std::int64_t n) = 0;
  virtual std::int64_t Size() const = 0;

 protected:
  ~ByteSource() = default;
};

// Bytes in memory, owned elsewhere.
class MemorySource final : public ByteSource {
 public:
  MemorySource() = default;
  MemorySource(const void* bytes, std::int64_t size)
      : bytes_(static_cast<const std::uint8_t*>(bytes)), size_(size < 0 ? 0 : size) {}

  ReadResult ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override {
    if (offset < 0 || n <= 0 || offset >= size_) return {};
    std::int64_t k = size_ - offset < n ? size_ - offset : n;
    std::memcpy(buffer, bytes_ + offset, static_cast<std::size_t>(k));
    return {k, 0};
  }
  std::int64_t Size() const override { return size_; }

 private:
  const std::uint8_t* bytes_ = nullptr;
  std::int64_t size_ = 0;
};

}  // namespace rt
