// A run of bytes that a parser reads by offset: a section of an executable
// file, or bytes in memory. Offsets count from the run's first byte, and a
// read never leaves the run.
#pragma once

#include <cstdint>
#include <cstring>

namespace rt {

class ByteSource {
 public:
  // Copies up to n bytes from offset into buffer and answers how many: fewer
  // only at the run's end, or after a read of the file behind it failed
  // (which that file's record then tells).
  virtual std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t n) = 0;
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

  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override {
    if (offset < 0 || n <= 0 || offset >= size_) return 0;
    std::int64_t k = size_ - offset < n ? size_ - offset : n;
    std::memcpy(buffer, bytes_ + offset, static_cast<std::size_t>(k));
    return k;
  }
  std::int64_t Size() const override { return size_; }

 private:
  const std::uint8_t* bytes_ = nullptr;
  std::int64_t size_ = 0;
};

}  // namespace rt
