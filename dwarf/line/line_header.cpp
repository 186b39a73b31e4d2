// Line-table unit headers in the layouts of versions 2 to 5, and the names
// of the files their rows refer to.
#include "dwarf/line/line_header.h"

#include <algorithm>
#include <cstdint>

#include "dwarf/forms.h"

namespace rt {

namespace {

// Content types of an entry.
constexpr std::uint16_t kContentPath = 1, kContentDirectoryIndex = 2, kContentMd5 = 5;

struct Entry {
  Text path;
  std::uint64_t directory = 0;
  bool has_md5 = false;
  std::uint8_t md5[16] = {};
};

// The layout of a described table's entries: pairs of content type and form.
struct EntryFormat {
  const std::uint16_t (*pairs)[2];
  std::uint8_t count;
};

// Reads one described entry; false on a form this reader does not know, and
// on an entry that takes no bytes (of forms that hold their value elsewhere),
// so that counts read from the file always move the cursor on. Names kept
// in string sections are looked up only when `resolve` is set.
bool ReadEntry(DwarfCursor& cursor, StringTables& strings, const TLineNumberProgramHeader64& header,
               EntryFormat format, bool resolve, Entry& entry) {
  UnitShape shape;
  shape.version = header.version;
  shape.offset_size = header.is64 ? 8 : 4;
  shape.address_size = header.address_size;
  std::int64_t start = cursor.Pos();
  for (std::uint8_t i = 0; i < format.count; ++i) {
    std::uint16_t type = format.pairs[i][0], form = format.pairs[i][1];
    FormValue value;
    Text text;
    if (type == kContentMd5 && form == kFormData16) {
      for (std::uint8_t& byte : entry.md5) byte = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
      entry.has_md5 = resolve;
      continue;
    }
    if (form == kFormString) {
      text = cursor.ReadString();
    } else if (!ReadForm(cursor, form, shape, 0, value)) {
      return false;
    } else if (resolve && form == kFormLineStrp) {
      text = strings.At(DebugSection::kLineStr, value.value);
    } else if (resolve && form == kFormStrp) {
      text = strings.At(DebugSection::kStr, value.value);
    }
    if (type == kContentPath) entry.path = text;
    if (type == kContentDirectoryIndex) entry.directory = value.value;
  }
  return cursor.ok() && cursor.Pos() > start;
}

// Skips to entry `index` of a described table and reads it. Every entry
// read takes at least one byte, so a count read from the file cannot make
// this run past the unit's end.
bool ReadNthEntry(DwarfCursor& cursor, StringTables& strings,
                  const TLineNumberProgramHeader64& header, EntryFormat format, std::uint64_t index,
                  Entry& entry) {
  if (format.count == 0) return false;
  for (std::uint64_t i = 0; i < index; ++i) {
    if (!ReadEntry(cursor, strings, header, format, false, entry)) return false;
  }
  entry = Entry();
  return ReadEntry(cursor, strings, header, format, true, entry);
}

// Reads a described table's entry formats: a count, then type and form pairs.
void ReadFormats(DwarfCursor& cursor, std::uint16_t (*format)[2], std::uint8_t& count) {
  int n = cursor.ReadNext();
  count = n < 0 ? 0 : static_cast<std::uint8_t>(n);
  for (int i = 0; i < count; ++i) {
    format[i][0] = static_cast<std::uint16_t>(cursor.ReadULEB128());
    format[i][1] = static_cast<std::uint16_t>(cursor.ReadULEB128());
  }
}

// Versions 2 to 4 list directories as strings up to an empty one, then
// files as a string and three numbers each, up to an empty string.
void ReadListedTables(DwarfCursor& cursor, TLineNumberProgramHeader64& header) {
  header.dirs_offset = cursor.Pos();
  while (cursor.ReadString().length != 0) {
  }
  header.names_offset = cursor.Pos();
  while (cursor.ReadString().length != 0) {
    cursor.SkipLEB128();
    cursor.SkipLEB128();
    cursor.SkipLEB128();
  }
}

// Version 5 describes its directory entries; where the file table starts is
// known only once the directories have been read, which GetFullFilename
// does when it needs a name.
void ReadDescribedTables(DwarfCursor& cursor, TLineNumberProgramHeader64& header) {
  ReadFormats(cursor, header.dir_format, header.dir_format_count);
  header.dir_count = cursor.ReadULEB128();
  header.dirs_offset = cursor.Pos();
  header.names_offset = -1;
}

// Versions 2 to 4: the file's name and its directory, by their 1-based
// places in the lists.
FileEntry ListedFile(DwarfCursor& cursor, const TLineNumberProgramHeader64& header,
                     std::uint32_t file) {
  cursor.Seek(header.names_offset);
  Text name;
  std::uint64_t directory_index = 0;
  for (std::uint32_t i = 1; i <= file; ++i) {
    name = cursor.ReadString();
    if (name.length == 0) break;
    directory_index = cursor.ReadULEB128();
    cursor.SkipLEB128();
    cursor.SkipLEB128();
  }
  FileEntry found;
  if (name.length == 0) return found;
  cursor.Seek(header.dirs_offset);
  Text directory;
  for (std::uint64_t i = 1; i <= directory_index; ++i) {
    directory = cursor.ReadString();
    if (directory.length == 0) break;
  }
  found.name = JoinFileName(directory, name);
  return found;
}

// Version 5: the file's entry by its 0-based index, after the directories,
// and its directory's entry; with `with_base`, directory 0 too.
FileEntry DescribedFile(DwarfCursor& cursor, StringTables& strings,
                        const TLineNumberProgramHeader64& header, std::uint32_t file,
                        bool with_base) {
  EntryFormat dirs{header.dir_format, header.dir_format_count};
  Entry name, directory;
  FileEntry found;
  cursor.Seek(header.dirs_offset);
  for (std::uint64_t i = 0; dirs.count != 0 && i < header.dir_count; ++i) {
    if (!ReadEntry(cursor, strings, header, dirs, with_base && i == 0, directory)) return found;
    if (i == 0) found.base_directory = directory.path;
  }
  std::uint16_t file_pairs[255][2];
  EntryFormat files{file_pairs, 0};
  ReadFormats(cursor, file_pairs, files.count);
  std::uint64_t file_count = cursor.ReadULEB128();
  if (file >= file_count || !ReadNthEntry(cursor, strings, header, files, file, name) ||
      name.path.length == 0) {
    return found;
  }
  if (name.directory < header.dir_count) {
    cursor.Seek(header.dirs_offset);
    if (!ReadNthEntry(cursor, strings, header, dirs, name.directory, directory)) {
      directory = Entry();
    }
  }
  found.name = JoinFileName(directory.path, name.path);
  found.has_md5 = name.has_md5;
  std::copy(name.md5, name.md5 + 16, found.md5);
  return found;
}

}  // namespace

bool IsWholePath(std::string_view name) {
  return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
         (name.size() >= 3 && name[1] == ':' && (name[2] == '/' || name[2] == '\\'));
}

Text JoinFileName(const Text& directory, const Text& name) {
  if (directory.length == 0 || IsWholePath(name.view())) return name;
  Text full = directory;
  if (full.bytes[full.length - 1] != '/') full.Append("/");
  full.Append(name.view());
  return full;
}

bool ReadLineProgramHeader(DwarfCursor& cursor, const UnitExtent& unit,
                           TLineNumberProgramHeader64& header) {
  header = TLineNumberProgramHeader64();
  header.is64 = unit.is64;
  header.unit_length = static_cast<std::uint64_t>(unit.next - unit.offset - unit.contents);
  header.version = cursor.ReadUHalf();
  if (header.version < 2 || header.version > 5) return false;
  if (header.version >= 5) {
    header.address_size = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
    header.segment_selector_size = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
  }
  header.header_length = cursor.ReadOffset();
  // A length that reaches past every offset leaves no program to read.
  if (header.header_length > static_cast<std::uint64_t>(INT64_MAX - cursor.Pos())) return false;
  header.program_start = cursor.Pos() + static_cast<std::int64_t>(header.header_length);
  header.minimum_instruction_length = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
  if (header.version >= 4) {
    header.maximum_operations_per_instruction = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
  }
  header.default_is_stmt = cursor.ReadUnsigned(1) != 0;
  header.line_base = static_cast<std::int8_t>(cursor.ReadUnsigned(1));
  header.line_range = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
  header.opcode_base = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
  for (int op = 1; op < header.opcode_base; ++op) {
    header.standard_opcode_lengths[op] = static_cast<std::uint8_t>(cursor.ReadUnsigned(1));
  }
  if (header.version >= 5) {
    ReadDescribedTables(cursor, header);
  } else {
    ReadListedTables(cursor, header);
  }
  return cursor.ok();
}

FileEntry GetLineFile(DwarfCursor& cursor, StringTables& strings,
                      const TLineNumberProgramHeader64& header, std::uint32_t file,
                      bool with_base) {
  return header.version >= 5 ? DescribedFile(cursor, strings, header, file, with_base)
                             : ListedFile(cursor, header, file);
}

Text GetFullFilename(DwarfCursor& cursor, StringTables& strings,
                     const TLineNumberProgramHeader64& header, std::uint32_t file) {
  return GetLineFile(cursor, strings, header, file, false).name;
}

FileEntry ProgramFile(DwarfCursor& cursor, StringTables& strings, std::int64_t program,
                      std::uint64_t file, bool with_base) {
  ByteSource* line = cursor.source();
  UnitExtent unit;
  TLineNumberProgramHeader64 header;
  if (line == nullptr || file > UINT32_MAX || !cursor.EnterUnit(program, line->Size(), unit) ||
      !ReadLineProgramHeader(cursor, unit, header)) {
    return FileEntry();
  }
  return GetLineFile(cursor, strings, header, static_cast<std::uint32_t>(file), with_base);
}

Text ProgramFileName(DwarfCursor& cursor, StringTables& strings, std::int64_t program,
                     std::uint64_t file) {
  return ProgramFile(cursor, strings, program, file, false).name;
}

}  // namespace rt
