// Line-table unit headers in the layouts of versions 2 to 5, and the names
// of the files their rows refer to.
#include "dwarf/line_header.h"

#include <cstdint>
#include <cstring>

#include "dwarf/forms.h"

namespace rt {

namespace {

// Content types of an entry.
constexpr std::uint16_t kContentPath = 1, kContentDirectoryIndex = 2;

// The string at offset inside a string section, up to 255 bytes; empty when
// the section is absent or ends before its NUL.
Text SectionString(ByteSource* section, std::uint64_t offset) {
  Text text;
  if (section == nullptr) return text;
  std::int64_t end = section->Size();
  if (offset >= static_cast<std::uint64_t>(end)) return text;
  std::int64_t at = static_cast<std::int64_t>(offset);
  char chunk[256];
  while (at < end) {
    std::int64_t n = end - at < 256 ? end - at : 256;
    if (section->ReadAt(at, chunk, n) != n) return Text();
    const void* nul = std::memchr(chunk, 0, static_cast<std::size_t>(n));
    std::size_t k = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - chunk)
                        : static_cast<std::size_t>(n);
    text.Append(std::string_view(chunk, k));
    if (nul != nullptr) return text;
    at += n;
  }
  return Text();
}

struct Entry {
  Text path;
  std::uint64_t directory = 0;
};

// Reads one described entry; false on a form this reader does not know, and
// on an entry that takes no bytes (of forms that hold their value elsewhere),
// so that counts read from the file always move the reader on.
// Names kept in string sections are looked up only when `resolve` is set.
bool ReadEntry(LineReader& reader, const StringSections& strings,
               const TLineNumberProgramHeader64& header, const std::uint16_t (*format)[2],
               std::uint8_t count, bool resolve, Entry& entry) {
  UnitShape shape;
  shape.version = header.version;
  shape.offset_size = header.is64 ? 8 : 4;
  shape.address_size = header.address_size;
  std::int64_t start = reader.Pos();
  for (std::uint8_t i = 0; i < count; ++i) {
    std::uint16_t type = format[i][0], form = format[i][1];
    FormValue value;
    Text text;
    if (form == kFormString) {
      text = reader.ReadString();
    } else if (!ReadForm(reader, form, shape, 0, value)) {
      return false;
    } else if (resolve && form == kFormLineStrp) {
      text = SectionString(strings.line_str, value.value);
    } else if (resolve && form == kFormStrp) {
      text = SectionString(strings.str, value.value);
    }
    if (type == kContentPath) entry.path = text;
    if (type == kContentDirectoryIndex) entry.directory = value.value;
  }
  return !reader.Exhausted() && reader.Pos() > start;
}

// Skips to entry `index` of a described table and reads it. Every entry
// read takes at least one byte, so a count read from the file cannot make
// this run past the unit's end.
bool ReadNthEntry(LineReader& reader, const StringSections& strings,
                  const TLineNumberProgramHeader64& header, const std::uint16_t (*format)[2],
                  std::uint8_t count, std::uint64_t index, Entry& entry) {
  if (count == 0) return false;
  for (std::uint64_t i = 0; i < index; ++i) {
    if (!ReadEntry(reader, strings, header, format, count, false, entry)) return false;
  }
  entry = Entry();
  return ReadEntry(reader, strings, header, format, count, true, entry);
}

// A name that is a whole path of its own takes no directory.
bool IsAbsolute(std::string_view name) {
  return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
         (name.size() >= 3 && name[1] == ':' && (name[2] == '/' || name[2] == '\\'));
}

Text Join(const Text& directory, const Text& name) {
  if (directory.length == 0 || IsAbsolute(name.view())) return name;
  Text full = directory;
  if (full.bytes[full.length - 1] != '/') full.Append("/");
  full.Append(name.view());
  return full;
}

// Reads a described table's entry formats: a count, then type and form pairs.
void ReadFormats(LineReader& reader, std::uint16_t (*format)[2], std::uint8_t& count) {
  int n = reader.ReadNext();
  count = n < 0 ? 0 : static_cast<std::uint8_t>(n);
  for (int i = 0; i < count; ++i) {
    format[i][0] = static_cast<std::uint16_t>(reader.ReadULEB128());
    format[i][1] = static_cast<std::uint16_t>(reader.ReadULEB128());
  }
}

}  // namespace

bool ReadLineProgramHeader(LineReader& reader, TLineNumberProgramHeader64& header) {
  header = TLineNumberProgramHeader64();
  std::uint32_t length32 = static_cast<std::uint32_t>(reader.ReadUnsigned(4));
  header.is64 = length32 == 0xFFFFFFFF;
  header.unit_length = header.is64 ? reader.ReadUnsigned(8) : length32;
  header.version = reader.ReadUHalf();
  if (header.version < 2 || header.version > 5) return false;
  if (header.version >= 5) {
    header.address_size = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
    header.segment_selector_size = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
  }
  header.header_length = reader.ReadUnsigned(header.is64 ? 8 : 4);
  // A length that reaches past every offset leaves no program to read.
  if (header.header_length > static_cast<std::uint64_t>(INT64_MAX - reader.Pos())) return false;
  header.program_start = reader.Pos() + static_cast<std::int64_t>(header.header_length);
  header.minimum_instruction_length = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
  if (header.version >= 4) {
    header.maximum_operations_per_instruction = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
  }
  header.default_is_stmt = reader.ReadUnsigned(1) != 0;
  header.line_base = static_cast<std::int8_t>(reader.ReadUnsigned(1));
  header.line_range = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
  header.opcode_base = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
  for (int op = 1; op < header.opcode_base; ++op) {
    header.standard_opcode_lengths[op] = static_cast<std::uint8_t>(reader.ReadUnsigned(1));
  }
  if (header.version >= 5) {
    ReadFormats(reader, header.dir_format, header.dir_format_count);
    header.dir_count = reader.ReadULEB128();
    header.dirs_offset = reader.Pos();
    // Where the file table starts is known only once the directories have
    // been read; GetFullFilename walks them when it needs a name.
    header.names_offset = -1;
  } else {
    header.dirs_offset = reader.Pos();
    reader.SkipDirectories();
    header.names_offset = reader.Pos();
    reader.SkipFilenames();
  }
  return !reader.Exhausted();
}

Text GetFullFilename(LineReader& reader, const StringSections& strings,
                     const TLineNumberProgramHeader64& header, std::uint32_t file) {
  if (header.version >= 5) {
    Entry name, directory;
    reader.Seek(header.dirs_offset);
    if (header.dir_format_count != 0) {
      for (std::uint64_t i = 0; i < header.dir_count; ++i) {
        if (!ReadEntry(reader, strings, header, header.dir_format, header.dir_format_count, false,
                       directory)) {
          return Text(kUnknownFile);
        }
      }
    }
    std::uint16_t file_format[255][2];
    std::uint8_t file_format_count;
    ReadFormats(reader, file_format, file_format_count);
    std::uint64_t file_count = reader.ReadULEB128();
    if (file >= file_count ||
        !ReadNthEntry(reader, strings, header, file_format, file_format_count, file, name) ||
        name.path.length == 0) {
      return Text(kUnknownFile);
    }
    if (name.directory < header.dir_count) {
      reader.Seek(header.dirs_offset);
      if (!ReadNthEntry(reader, strings, header, header.dir_format, header.dir_format_count,
                        name.directory, directory)) {
        directory = Entry();
      }
    }
    return Join(directory.path, name.path);
  }

  reader.Seek(header.names_offset);
  Text name;
  std::uint64_t directory_index = 0;
  for (std::uint32_t i = 1; i <= file; ++i) {
    name = reader.ReadString();
    if (name.length == 0) break;
    directory_index = reader.ReadULEB128();
    reader.SkipLEB128();
    reader.SkipLEB128();
  }
  if (name.length == 0) return Text(kUnknownFile);
  reader.Seek(header.dirs_offset);
  Text directory;
  for (std::uint64_t i = 1; i <= directory_index; ++i) {
    directory = reader.ReadString();
    if (directory.length == 0) break;
  }
  return Join(directory, name);
}

}  // namespace rt
