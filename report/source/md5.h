// MD5 digests of source files, fed a piece at a time: a line table names a
// file's digest, so that a file changed since the build is told apart.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

class Md5 {
 public:
  static constexpr std::size_t kDigestSize = 16;

  Md5();
  void Update(const void* bytes, std::size_t n);
  // Pads the message and writes the digest; the object is spent after.
  void Final(std::uint8_t digest[kDigestSize]);

 private:
  void Transform(const std::uint8_t block[64]);

  std::uint32_t state_[4];
  std::uint64_t length_ = 0;  // bytes fed so far
  std::uint8_t block_[64];
};

}  // namespace rt
