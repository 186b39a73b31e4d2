// A debug section as a run of its bytes, read plainly or decompressed as
// its storage needs.
#pragma once

#include <cstdint>

#include "exe/byte_source.h"
#include "exe/compressed_source.h"
#include "exe/debug_section.h"
#include "exe/exe_file.h"
#include "exe/section_source.h"

namespace rt {

class SectionReader final : public ByteSource {
 public:
  // Reads the section through the file that exe has open.
  void Bind(TExeFile& exe, const ExeSection& section) {
    compressed_ = section.compression != Compression::kNone;
    if (compressed_) {
      compressed_source_.Bind(exe, section);
    } else {
      plain_ = SectionSource(exe, section.offset, section.length);
    }
  }
  // Drops what was learnt of a compressed section.
  void Forget() { compressed_source_.Forget(); }

  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override {
    return compressed_ ? compressed_source_.ReadAt(offset, buffer, n)
                       : plain_.ReadAt(offset, buffer, n);
  }
  std::int64_t Size() const override {
    return compressed_ ? compressed_source_.Size() : plain_.Size();
  }

 private:
  bool compressed_ = false;
  SectionSource plain_;
  CompressedSource compressed_source_;
};

}  // namespace rt
