// A section of an open executable file as a run of bytes.
#pragma once

#include <cstdint>

#include "exe/byte_source.h"
#include "exe/exe_file.h"

namespace rt {

// Reads length bytes of the file from offset; a failed read leaves its code
// in the file's record and delivers nothing.
class SectionSource final : public ByteSource {
 public:
  SectionSource() = default;
  SectionSource(TExeFile& exe, std::int64_t offset, std::int64_t length)
      : exe_(&exe), offset_(offset), length_(length < 0 ? 0 : length) {}

  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override {
    if (exe_ == nullptr || offset < 0 || n <= 0 || offset >= length_) return 0;
    std::int64_t k = length_ - offset < n ? length_ - offset : n;
    return ReadExeBytes(*exe_, offset_ + offset, buffer, k) ? k : 0;
  }
  std::int64_t Size() const override { return length_; }

 private:
  TExeFile* exe_ = nullptr;
  std::int64_t offset_ = 0;
  std::int64_t length_ = 0;
};

}  // namespace rt
