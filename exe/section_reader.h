// A section of an open executable file as a run of its bytes, read plainly
// or decompressed as its storage needs.
#pragma once

#include <cstdint>

#include "exe/byte_source.h"
#include "exe/compressed/compressed_source.h"
#include "exe/exe_file.h"

namespace rt {

class SectionReader final : public ByteSource {
 public:
  // Reads the section through the file that exe has open. Binding the same
  // compressed section again keeps what was learnt of its stream.
  void Bind(TExeFile& exe, const ExeSection& section);
  // Drops what was learnt of a compressed section: the next is another file's.
  void Forget() { compressed_.Forget(); }

  ReadResult ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override;
  std::int64_t Size() const override;

 private:
  TExeFile* exe_ = nullptr;
  ExeSection section_;
  CompressedSource compressed_;
};

}  // namespace rt
