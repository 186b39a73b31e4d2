// Finding a module's line table: in the module's own file, or in the
// separate debug file that the file's debug link names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dwarf/line_table.h"
#include "exe/exe_file.h"
#include "exe/section_source.h"

namespace rt {

// The file that holds a module's line table and where its sections lie in
// that file; an absent string section has length 0.
struct LineFile {
  std::string name;
  std::int64_t line_offset = 0, line_length = 0;
  std::int64_t line_str_offset = 0, line_str_length = 0;
  std::int64_t str_offset = 0, str_length = 0;
};

enum class LineFileSearch {
  kFound,        // exe is open on the file that holds the table
  kUnreadable,   // the module's file is no readable image, or a read failed
  kNoLineTable,  // no ".debug_line" section, or the debug file named is no image
};

// Opens the module's file, follows its debug link and finds the sections.
// exe is left open only with kFound. A failed read leaves its I/O code in
// exe.f.error, whatever the answer: the caller decides what it means.
LineFileSearch FindLineFile(TExeFile& exe, std::string_view module_file, LineFile& found);

// The sections of a line file, read through the file that exe has open.
class LineFileSections {
 public:
  void Bind(TExeFile& exe, const LineFile& file);
  const LineSections& sections() const { return sections_; }

 private:
  SectionSource line_, line_str_, str_;
  LineSections sections_;
};

}  // namespace rt
