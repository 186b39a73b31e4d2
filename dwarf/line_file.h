// Finding a module's line table: in the module's own file, or in a separate
// debug file where build systems and distributions put one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dwarf/line_table.h"
#include "exe/debug_section.h"
#include "exe/exe_file.h"
#include "exe/section_reader.h"

namespace rt {

// The file that holds a module's line table and where its sections lie in
// that file; an absent section has size 0.
struct LineFile {
  std::string name;
  ExeSection line, line_str, str;
  // What the index of units reads, taken only where stored plainly: the
  // index reads a little here and there, and a compressed section would be
  // decoded whole for it, which costs more than the index saves.
  ExeSection info, abbrev, aranges, ranges, rnglists, addr;
};

enum class LineFileSearch {
  kFound,        // exe is open on the file that holds the table
  kUnreadable,   // the module's file is no readable image, or a read failed
  kNoLineTable,  // no place holds a ".debug_line" section
};

// Finds the file that holds the module's ".debug_line" (see FindDebugFile
// for the places, in order) and the string sections in that file. exe is
// left open only with kFound. A failed read leaves its I/O code in
// exe.f.error, whatever the answer: the caller decides what it means.
LineFileSearch FindLineFile(TExeFile& exe, std::string_view module_file,
                            std::string_view debug_root, LineFile& found);

// The sections of a line file, read through the file that exe has open.
// What was learnt of compressed sections stays from one binding to the
// next until Forget.
class LineFileSections {
 public:
  void Bind(TExeFile& exe, const LineFile& file);
  void Forget();
  const LineSections& sections() const { return sections_; }

 private:
  SectionReader line_, line_str_, str_;
  SectionSource info_, abbrev_, aranges_, ranges_, rnglists_, addr_;
  LineSections sections_;
};

}  // namespace rt
