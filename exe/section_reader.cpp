// Reading a section's bytes, plainly or through its decompressed stream.
#include "exe/section_reader.h"

namespace rt {

void SectionReader::Bind(TExeFile& exe, const ExeSection& section) {
  exe_ = &exe;
  section_ = section;
  if (section.compression != Compression::kNone) compressed_.Bind(exe, section);
}

ReadResult SectionReader::ReadAt(std::int64_t offset, void* buffer, std::int64_t n) {
  if (exe_ == nullptr) return {};
  if (section_.compression != Compression::kNone) return compressed_.ReadAt(offset, buffer, n);
  if (offset < 0 || n <= 0 || offset >= section_.length) return {};
  std::int64_t k = section_.length - offset < n ? section_.length - offset : n;
  FileResult read = ReadExeBytes(*exe_, section_.offset + offset, buffer, k);
  return {read ? k : 0, read.io_error};
}

std::int64_t SectionReader::Size() const {
  if (exe_ == nullptr) return 0;
  return section_.compression != Compression::kNone ? compressed_.Size() : section_.length;
}

}  // namespace rt
