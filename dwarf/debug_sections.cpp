// Finding a module's line table and its other sections, and reading them.
#include "dwarf/debug_sections.h"

#include "exe/debug_file/debug_file.h"

namespace rt {

LineFileSearch FindLineFile(TExeFile& exe, std::string_view module_file,
                            std::string_view debug_root, LineFile& found) {
  found = LineFile();
  ExeSection& line = found.sections[static_cast<std::size_t>(DebugSection::kLine)];
  DebugFileSearch search =
      FindDebugFile(exe, module_file, debug_root, kDebugSections[0], found.name, line);
  if (search.kind == DebugFileSearch::kNoSection) return {LineFileSearch::kNoLineTable, 0};
  if (search.kind != DebugFileSearch::kFound) {
    return {LineFileSearch::kUnreadable, search.io_error};
  }
  std::uint16_t io_error = 0;
  for (std::size_t i = 1; i < kDebugSectionCount; ++i) {
    ExeSection& section = found.sections[i];
    FileResult found_it = FindExeSection(exe, kDebugSections[i], section);
    if (found_it.io_error != 0) io_error = found_it.io_error;
    if (!found_it) section = ExeSection();
  }
  if (io_error == 0) return {LineFileSearch::kFound, 0};
  CloseExeFile(exe);
  return {LineFileSearch::kUnreadable, io_error};
}

void LineFileReaders::Bind(TExeFile& exe, const LineFile& file) {
  sources_.compressed = 0;
  for (std::size_t i = 0; i < kDebugSectionCount; ++i) {
    readers_[i].Bind(exe, file.sections[i]);
    sources_.of[i] = file.sections[i].size > 0 ? &readers_[i] : nullptr;
    if (file.sections[i].compression != Compression::kNone) sources_.compressed |= 1u << i;
  }
  // The line section is there even when it is empty.
  sources_.Set(DebugSection::kLine, &readers_[0]);
}

void LineFileReaders::Forget() {
  for (SectionReader& reader : readers_) reader.Forget();
}

}  // namespace rt
