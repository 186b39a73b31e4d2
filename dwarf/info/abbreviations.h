// A unit's abbreviation table: for each code, the entry's tag, whether it
// has children, and the attributes and forms of its values. Each entry of
// the table is read once, when a code at or after it is first asked for,
// and kept until another table is opened; memory stays bounded whatever the
// table's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <span>
#include <vector>

#include "dwarf/cursor.h"
#include "exe/byte_source.h"

namespace rt {

struct AttributeSpec {
  std::uint32_t attribute = 0;
  std::uint32_t form = 0;
  std::int64_t implicit = 0;  // the value of DW_FORM_implicit_const
};

struct Abbreviation {
  std::uint64_t code = 0;
  std::uint32_t tag = 0;
  bool has_children = false;
  std::uint32_t first = 0, count = 0;  // its attributes in the table's list
};

class AbbrevTable {
 public:
  // The most abbreviations and attributes kept of a table: a compiler's
  // holds a few hundred and a few thousand; one with more is not read past.
  static constexpr std::size_t kMaxAbbreviations = 8192;
  static constexpr std::size_t kMaxAttributes = 16384;

  // Reads from the source (.debug_abbrev, or null where there is none).
  void Bind(ByteSource* abbrev);
  // Takes the table at offset; the one open already is kept, with what was
  // read of it, since units often share a table.
  void Open(std::uint64_t offset);
  // The abbreviation of code, read on from where the table was left; null
  // when the table has none, is malformed before it, or past the bound.
  const Abbreviation* Find(std::uint64_t code);
  std::span<const AttributeSpec> Attributes(const Abbreviation& abbreviation) const {
    return std::span<const AttributeSpec>(attributes_)
        .subspan(abbreviation.first, abbreviation.count);
  }
  std::uint16_t io_error() const { return cursor_.io_error(); }

 private:
  // Reads the next abbreviation of the table, the only place one is passed
  // over; false at the table's end or where it cannot be read.
  bool ReadNext();

  DwarfCursor cursor_;
  std::uint64_t offset_ = 0;
  bool open_ = false;
  bool ended_ = true;      // nothing more of the table can be read
  std::int64_t next_ = 0;  // the next abbreviation's position in the table
  std::pmr::vector<Abbreviation> abbreviations_;
  std::pmr::vector<AttributeSpec> attributes_;
};

}  // namespace rt
