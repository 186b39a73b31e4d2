// A line table names a file by a directory and a name, either of which may
// count from the directory the unit was compiled in: in version 5, the
// table's own directory 0; before it, the unit's DW_AT_comp_dir.
#include "dwarf/source_file.h"

#include <algorithm>

#include "base/resource_object.h"
#include "dwarf/cursor.h"
#include "dwarf/info/unit_root.h"
#include "dwarf/line/line_header.h"
#include "dwarf/strings.h"

namespace rt {

namespace {

// The readers of one search, some kilobytes each, kept off the stack.
struct FileReaders {
  explicit FileReaders(const DebugSources& sources) : strings(sources), roots(sources) {
    line.Bind(sources[DebugSection::kLine]);
  }
  DwarfCursor line;
  StringTables strings;
  UnitRootReader roots;
  UnitRoot root;
};

// The compilation directory of the unit whose line program is at offset
// `program`: every unit's root is read in turn until one names it.
Text CompilationDirectory(FileReaders& readers, std::int64_t program) {
  for (std::int64_t offset = 0; readers.roots.Read(offset, false, readers.root);) {
    const UnitRoot& root = readers.root;
    if (root.has_program && root.program == static_cast<std::uint64_t>(program)) {
      return readers.strings.Of(root.comp_dir, root.unit.tables);
    }
    if (root.next <= offset) break;
    offset = root.next;
  }
  return Text();
}

}  // namespace

bool FindSourceFile(const DebugSources& sources, const SourceFrame& frame, SourceFile& file) {
  if (frame.program < 0 || sources[DebugSection::kLine] == nullptr) return false;
  ResourcePtr<FileReaders> readers = MakeResourceObject<FileReaders>(sources);
  FileEntry named =
      ProgramFile(readers->line, readers->strings, frame.program, frame.file_index, true);
  if (named.name.view() == kUnknownFile) return false;
  file = SourceFile();
  file.path = named.name;
  if (!IsWholePath(file.path.view())) {
    Text base = named.base_directory.length > 0 ? named.base_directory
                                                : CompilationDirectory(*readers, frame.program);
    file.path = JoinFileName(base, file.path);
  }
  file.has_md5 = named.has_md5;
  std::copy(named.md5, named.md5 + 16, file.md5);
  return true;
}

}  // namespace rt
