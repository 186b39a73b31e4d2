// Finding a module's line table, and reading its sections.
#include "dwarf/line_file.h"

#include "exe/debug_link.h"

namespace rt {

namespace {

// An absent section is recorded with length 0.
void FindOptionalSection(TExeFile& exe, std::string_view name, std::int64_t& offset,
                         std::int64_t& length) {
  if (!FindExeSection(exe, name, offset, length)) offset = length = 0;
}

}  // namespace

LineFileSearch FindLineFile(TExeFile& exe, std::string_view module_file, LineFile& found) {
  found = LineFile();
  if (!OpenExeFile(exe, module_file)) return LineFileSearch::kUnreadable;
  std::string debug_name;
  if (ReadDebugLink(exe, debug_name)) {
    CloseExeFile(exe);
    if (!OpenExeFile(exe, debug_name)) {
      return exe.f.error == 0 ? LineFileSearch::kNoLineTable : LineFileSearch::kUnreadable;
    }
    found.name = debug_name;
  } else {
    found.name.assign(module_file);
  }
  if (exe.f.error == 0 &&
      FindExeSection(exe, ".debug_line", found.line_offset, found.line_length)) {
    FindOptionalSection(exe, ".debug_line_str", found.line_str_offset, found.line_str_length);
    FindOptionalSection(exe, ".debug_str", found.str_offset, found.str_length);
    if (exe.f.error == 0) return LineFileSearch::kFound;
  }
  LineFileSearch answer =
      exe.f.error == 0 ? LineFileSearch::kNoLineTable : LineFileSearch::kUnreadable;
  CloseExeFile(exe);
  return answer;
}

void LineFileSections::Bind(TExeFile& exe, const LineFile& file) {
  line_ = SectionSource(exe, file.line_offset, file.line_length);
  line_str_ = SectionSource(exe, file.line_str_offset, file.line_str_length);
  str_ = SectionSource(exe, file.str_offset, file.str_length);
  sections_.line = &line_;
  sections_.strings.line_str = file.line_str_length > 0 ? &line_str_ : nullptr;
  sections_.strings.str = file.str_length > 0 ? &str_ : nullptr;
}

}  // namespace rt
