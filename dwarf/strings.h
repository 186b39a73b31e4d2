// The strings and addresses that entries hold elsewhere: in the string
// sections by offset, in .debug_info itself, or by index through a unit's
// entries of .debug_str_offsets and .debug_addr.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"

namespace rt {

// A unit's shape and where its entries in the tables of indexed strings and
// addresses start (its root's DW_AT_str_offsets_base and DW_AT_addr_base).
struct UnitTables {
  UnitShape shape;
  std::uint64_t str_offsets_base = 0;
  std::uint64_t addr_base = 0;
};

// The string sections, and the code of a read of them that failed. Each
// keeps the bytes it read last at hand: the names a lookup needs lie close
// together, the directories of a line program most of all.
class StringTables {
 public:
  explicit StringTables(const DebugSources& sources) : sources_(sources) {}
  // The string at offset of the section (kStr, kLineStr, or kInfo for one
  // held in an entry), up to 255 bytes; empty when the section is absent or
  // ends before its NUL.
  Text At(DebugSection section, std::uint64_t offset);
  // The string a value of a string form names; empty for a value of another
  // kind, and where an offset or index leads outside its section.
  Text Of(const FormValue& value, const UnitTables& unit);
  std::uint16_t io_error() const { return io_error_; }

 private:
  static constexpr std::int64_t kWindowSize = 4096;
  struct Window {
    std::int64_t start = 0, size = 0;
    char bytes[kWindowSize];
  };
  // The window of the section holding offset, read anew when it does not;
  // null when nothing could be read there.
  const Window* WindowAt(DebugSection section, std::int64_t offset);
  // A string of a section without a window of its own: read where it is.
  Text ReadInPlace(ByteSource& source, std::uint64_t offset);
  void Note(std::uint16_t io_error) {
    if (io_error != 0 && io_error_ == 0) io_error_ = io_error;
  }

  const DebugSources& sources_;
  std::uint16_t io_error_ = 0;
  Window windows_[2];  // of kStr and kLineStr
};

// Reads the offset-sized entry at index of a table of offsets that starts
// at base of the section (.debug_str_offsets, a list table's offsets);
// false outside the section.
bool ReadIndexedOffset(const DebugSources& sources, DebugSection section, std::uint8_t offset_size,
                       std::uint64_t base, std::uint64_t index, std::uint64_t& offset);

// The address at an index of .debug_addr; false outside the section.
bool ReadIndexedAddress(const DebugSources& sources, const UnitShape& unit, std::uint64_t addr_base,
                        std::uint64_t index, std::uint64_t& address);

// The address a value of an address form gives, indexed or not; false for
// a value of another kind and an index outside .debug_addr.
bool AddressOf(const DebugSources& sources, const FormValue& value, const UnitTables& unit,
               std::uint64_t& address);

}  // namespace rt
