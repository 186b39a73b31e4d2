// The header of one unit of a ".debug_line" section, in the layouts of
// versions 2 to 5, and the names of the files its rows refer to.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/strings.h"

namespace rt {

// The name given to a row whose file is not in the unit's file table, or
// when no row has been seen yet.
inline constexpr char kUnknownFile[] = "(Unknown file)";

// A unit's header, widened to the 64-bit format, with what each version
// adds: version 4 the operations per instruction, version 5 the address
// and selector sizes and the described directory and file tables.
struct TLineNumberProgramHeader64 {
  std::uint64_t unit_length = 0;
  std::uint16_t version = 0;
  std::uint64_t header_length = 0;
  std::uint8_t minimum_instruction_length = 0;
  std::uint8_t maximum_operations_per_instruction = 1;
  bool default_is_stmt = false;
  std::int8_t line_base = 0;
  std::uint8_t line_range = 0;
  std::uint8_t opcode_base = 0;
  std::uint8_t address_size = 8;
  std::uint8_t segment_selector_size = 0;
  bool is64 = false;  // the 64-bit format: section offsets take 8 bytes
  std::uint8_t standard_opcode_lengths[256] = {};

  // Unit-relative positions of the directory and file tables (version 5:
  // of their entries, after the entry formats) and of the first opcode.
  std::int64_t dirs_offset = 0;
  std::int64_t names_offset = 0;
  std::int64_t program_start = 0;
  // Version 5 only: the directory count and the layout of a directory
  // entry, as pairs of content type and form.
  std::uint64_t dir_count = 0;
  std::uint8_t dir_format_count = 0;
  std::uint16_t dir_format[255][2] = {};
};

// Reads the header of the unit the cursor has entered, from after its
// initial length; false when the unit cannot be read (an unknown version,
// or a header cut short).
bool ReadLineProgramHeader(DwarfCursor& cursor, const UnitExtent& unit,
                           TLineNumberProgramHeader64& header);

// Whether a file name is a whole path of its own, which takes no directory
// (a drive letter counts).
bool IsWholePath(std::string_view name);
// The name in the directory, where the name is not whole already.
Text JoinFileName(const Text& directory, const Text& name);

// What a unit's file table says of one of its files.
struct FileEntry {
  Text name{kUnknownFile};  // its full name as the rows name it
  bool has_md5 = false;     // the table holds the file's MD5 digest
  std::uint8_t md5[16] = {};
  // Version 5's directory 0, the compilation's, where asked for; names
  // that are not whole paths count from it.
  Text base_directory;
};

// File index `file` of the unit whose header was read; `with_base` asks for
// the base directory too.
FileEntry GetLineFile(DwarfCursor& cursor, StringTables& strings,
                      const TLineNumberProgramHeader64& header, std::uint32_t file, bool with_base);
// File index `file` of the line program at offset of the line section.
FileEntry ProgramFile(DwarfCursor& cursor, StringTables& strings, std::int64_t program,
                      std::uint64_t file, bool with_base);

// The full name of file index `file` of the unit whose header was read, or
// kUnknownFile.
Text GetFullFilename(DwarfCursor& cursor, StringTables& strings,
                     const TLineNumberProgramHeader64& header, std::uint32_t file);

// The full name of file index `file` of the line program at offset of the
// line section, as its rows name it: kUnknownFile where the program cannot
// be read or has no such file.
Text ProgramFileName(DwarfCursor& cursor, StringTables& strings, std::int64_t program,
                     std::uint64_t file);

}  // namespace rt
