// Finding a module's line table, and reading its sections.
#include "dwarf/line_file.h"

#include "exe/debug_file.h"

namespace rt {

namespace {

// An absent section is recorded with size 0.
void FindOptionalSection(TExeFile& exe, std::string_view name, ExeSection& section) {
  if (!FindDebugSection(exe, name, section)) section = ExeSection();
}

// A section for the index, stored plainly; else recorded as absent.
void FindPlainSection(TExeFile& exe, std::string_view name, ExeSection& section) {
  section = ExeSection();
  std::int64_t offset, length;
  if (!FindExeSection(exe, name, offset, length)) return;
  section.offset = offset;
  section.length = section.size = length;
}

// A bound source, or null for an absent section.
ByteSource* Bound(SectionSource& source, TExeFile& exe, const ExeSection& section) {
  source = SectionSource(exe, section.offset, section.length);
  return section.size > 0 ? &source : nullptr;
}

}  // namespace

LineFileSearch FindLineFile(TExeFile& exe, std::string_view module_file,
                            std::string_view debug_root, LineFile& found) {
  found = LineFile();
  switch (FindDebugFile(exe, module_file, debug_root, ".debug_line", found.name, found.line)) {
    case DebugFileSearch::kFound:
      break;
    case DebugFileSearch::kNoSection:
      return LineFileSearch::kNoLineTable;
    case DebugFileSearch::kUnreadable:
      return LineFileSearch::kUnreadable;
  }
  FindOptionalSection(exe, ".debug_line_str", found.line_str);
  FindOptionalSection(exe, ".debug_str", found.str);
  FindPlainSection(exe, ".debug_info", found.info);
  FindPlainSection(exe, ".debug_abbrev", found.abbrev);
  FindPlainSection(exe, ".debug_aranges", found.aranges);
  FindPlainSection(exe, ".debug_ranges", found.ranges);
  FindPlainSection(exe, ".debug_rnglists", found.rnglists);
  FindPlainSection(exe, ".debug_addr", found.addr);
  if (exe.f.error == 0) return LineFileSearch::kFound;
  CloseExeFile(exe);
  return LineFileSearch::kUnreadable;
}

void LineFileSections::Bind(TExeFile& exe, const LineFile& file) {
  line_.Bind(exe, file.line);
  line_str_.Bind(exe, file.line_str);
  str_.Bind(exe, file.str);
  sections_.line = &line_;
  sections_.strings.line_str = file.line_str.size > 0 ? &line_str_ : nullptr;
  sections_.strings.str = file.str.size > 0 ? &str_ : nullptr;
  InfoSections& info = sections_.info;
  info.info = Bound(info_, exe, file.info);
  info.abbrev = Bound(abbrev_, exe, file.abbrev);
  info.aranges = Bound(aranges_, exe, file.aranges);
  info.ranges = Bound(ranges_, exe, file.ranges);
  info.rnglists = Bound(rnglists_, exe, file.rnglists);
  info.addr = Bound(addr_, exe, file.addr);
}

void LineFileSections::Forget() {
  line_.Forget();
  line_str_.Forget();
  str_.Forget();
}

}  // namespace rt
