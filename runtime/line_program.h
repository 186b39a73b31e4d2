// One unit of a ".debug_line" section: its header, the line-number state
// machine, and the search for the row that covers a code address.
#pragma once

#include <cstdint>

#include "console/text.h"
#include "runtime/line_reader.h"

namespace rt {

// Where the strings that version 5 file tables point into lie in the file.
struct StringSections {
  std::int64_t line_str_offset = 0, line_str_length = 0;  // ".debug_line_str"
  std::int64_t str_offset = 0, str_length = 0;            // ".debug_str"
};

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

// The line-number state machine's registers.
struct TMachineState {
  std::uint64_t address;
  std::int32_t file;
  std::int64_t line;
  std::int32_t column;
  bool is_stmt;
  bool basic_block;
  bool end_sequence;
  bool prologue_end;
  bool epilogue_begin;
  std::int32_t isa;
  std::uint32_t op_index;  // position inside a very long instruction word
  bool row_ready;
};

void InitStateRegisters(TMachineState& state, bool default_is_stmt);

// The result of searching one unit.
struct UnitSearch {
  bool found = false;
  Text source;
  std::int64_t line = 0;
  // The address of the unit's first row, and the highest row address it
  // holds when it was read to its end: both hold for any target.
  bool has_first_address = false;
  std::uint64_t first_address = 0;
  bool scanned_whole = false;
  std::uint64_t max_address = 0;
};

// Searches the unit at the file offset for the row covering target, reading
// at most up to section_end. Returns the file offset of the next unit.
std::int64_t ParseCompilationUnit(LineReader& reader, const StringSections& strings,
                                  std::uint64_t target, std::int64_t offset,
                                  std::int64_t section_end, UnitSearch& result);

// The full name of file index `file` of the unit whose header was read.
Text GetFullFilename(LineReader& reader, const StringSections& strings,
                     const TLineNumberProgramHeader64& header, std::uint32_t file);

// Reads the header at the reader's position 0; false when the unit cannot
// be read (an unknown version, or a header cut short).
bool ReadLineProgramHeader(LineReader& reader, TLineNumberProgramHeader64& header);

}  // namespace rt
