// Units of ".debug_info" with their root entry and the tree of entries below
// it, and the sections that say which addresses each unit holds
// (.debug_abbrev, .debug_aranges, .debug_ranges, .debug_rnglists,
// .debug_addr) and hold its strings (.debug_str, .debug_str_offsets), built
// byte by byte; and all of them as the sources a reader takes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dwarf/debug_sections.h"
#include "exe/byte_source.h"
#include "tests/support/line_table_builder.h"

namespace testing_support {

// Attributes of a root entry, and the forms that line_table_builder.h has
// not named yet.
inline constexpr std::uint64_t kAtName = 0x03, kAtStmtList = 0x10, kAtLowPc = 0x11,
                               kAtHighPc = 0x12, kAtRanges = 0x55, kAtAddrBase = 0x73,
                               kAtRnglistsBase = 0x74, kAtGnuAddrBase = 0x2133;
inline constexpr std::uint64_t kFormAddr = 0x01, kFormSdata = 0x0D, kFormIndirect = 0x16,
                               kFormSecOffset = 0x17, kFormAddrx = 0x1B, kFormImplicitConst = 0x21,
                               kFormRnglistx = 0x23, kFormAddrx1 = 0x29, kFormAddrx2 = 0x2A,
                               kFormGnuAddrIndex = 0x1F01, kFormRefAddr = 0x10, kFormRef4 = 0x13,
                               kFormRefUdata = 0x15, kFormExprloc = 0x18, kFormStrx = 0x1A,
                               kFormRefSig8 = 0x20, kFormStrx1 = 0x25, kFormStrx3 = 0x27;
inline constexpr std::uint64_t kAtStrOffsetsBase = 0x72;
// Tags and attributes of the entries below a root.
inline constexpr std::uint64_t kTagClass = 0x02, kTagLexicalBlock = 0x0B, kTagInlined = 0x1D,
                               kTagStructure = 0x13, kTagSubprogram = 0x2E, kTagNamespace = 0x39;
inline constexpr std::uint64_t kAtSibling = 0x01, kAtAbstractOrigin = 0x31, kAtSpecification = 0x47,
                               kAtCallFile = 0x58, kAtCallLine = 0x59, kAtInline = 0x20,
                               kFormRef1 = 0x11;
// Unit types of version 5.
inline constexpr std::uint8_t kUnitCompile = 1, kUnitType = 2, kUnitSkeleton = 4;

// One attribute of an entry: its value is written in the form's size (that
// of an address or an offset where the form says so); implicit_const keeps
// it in the abbreviation; indirect writes `actual` and then the value in
// that form. `raw`, when given, is written instead of the value. `to`, when
// given, names the label of the entry a reference leads to, in this unit or
// one added before: the value is that entry's offset from the unit's start,
// or in .debug_info for ref_addr.
struct InfoAttribute {
  std::uint64_t attribute = 0, form = 0, value = 0, actual = 0;
  std::optional<Bytes> raw{};
  std::string to{};
};

// An entry below a unit's root and the entries it holds. Entries of the
// same tag, attributes and forms, and with or without children, share an
// abbreviation.
struct InfoEntry {
  std::uint64_t tag = 0;
  std::vector<InfoAttribute> attributes;
  std::vector<InfoEntry> children{};
  std::string label{};
};

struct InfoUnit {
  std::uint16_t version = 4;
  bool is64 = false;
  std::uint8_t address_size = 8;
  std::uint8_t unit_type = kUnitCompile;  // version 5
  std::vector<InfoAttribute> root;
  // An abbreviation put ahead of the root's in the unit's table (code 1,
  // the root's then being 2).
  std::optional<std::vector<InfoAttribute>> before;
  std::optional<std::uint64_t> abbrev_offset;  // default: the unit's own table
  std::vector<InfoEntry> children;             // the root's
  bool closed = true;  // false: the null entries that end lists of children are left out
  // A type unit (of version 5's unit type, or in .debug_types): its
  // signature, and the label of its type's entry (none: offset 0).
  std::uint64_t signature = 0x8877665544332211;
  std::string type_label{};
  bool in_types = false;  // in .debug_types, with version 4's header of a type unit
};

// A unit of that version and format whose root entry has these attributes.
inline InfoUnit RootUnit(std::uint16_t version, std::vector<InfoAttribute> root, bool is64 = false,
                         std::uint8_t address_size = 8) {
  InfoUnit u;
  u.version = version;
  u.is64 = is64;
  u.address_size = address_size;
  u.root = std::move(root);
  return u;
}

// The sections as they grow; each Add answers where what it wrote starts.
struct DebugInfo {
  Bytes info, abbrev, aranges, ranges, rnglists, addr, str, str_offsets, types;
  // The offset in .debug_info (or .debug_types) of each labelled entry added.
  std::map<std::string, std::uint64_t> entries;

  // The unit, and its abbreviation table in .debug_abbrev: the unit's offset.
  std::uint64_t Add(const InfoUnit& unit);
  // A set of (address, length) tuples; the (0, 0) that ends it is added.
  void AddArangeSet(std::uint64_t unit,
                    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& tuples,
                    std::uint8_t address_size = 8, bool is64 = false, std::uint16_t version = 2);
  // A table of .debug_addr: the offset of its first address (the unit's
  // DW_AT_addr_base).
  std::uint64_t AddAddresses(const std::vector<std::uint64_t>& addresses,
                             std::uint8_t address_size = 8, bool is64 = false);
  // A list of .debug_ranges: pairs up to the (0, 0) that is added; the
  // list's offset.
  std::uint64_t AddRanges(const std::vector<std::pair<std::uint64_t, std::uint64_t>>& pairs,
                          std::uint8_t address_size = 8);

  // A string of .debug_str: its offset.
  std::uint64_t AddString(const std::string& s);
  // A table of .debug_str_offsets: the offset of its first entry (the
  // unit's DW_AT_str_offsets_base).
  std::uint64_t AddStrOffsets(const std::vector<std::uint64_t>& offsets, bool is64 = false);

  // An entry of a .debug_rnglists list: its kind and operands (indexes,
  // offsets and lengths as LEB128, addresses in the address size).
  struct ListEntry {
    std::uint8_t kind;
    std::uint64_t a = 0, b = 0;
  };
  // A table of .debug_rnglists with an offset for each list; the end entry
  // of each is added. The offset of the table's first offset (the unit's
  // DW_AT_rnglists_base); *lists_at gets each list's offset in the section.
  std::uint64_t AddRangeLists(const std::vector<std::vector<ListEntry>>& lists,
                              std::uint8_t address_size = 8, bool is64 = false,
                              std::vector<std::uint64_t>* lists_at = nullptr);
};

// The sections read from memory, with .debug_line; those left empty are
// absent.
struct InfoSources {
  InfoSources(const DebugInfo& d, const Bytes& line);
  DebugInfo bytes;
  Bytes line_bytes;
  rt::MemorySource memory[rt::kDebugSectionCount];
  rt::DebugSources sources;
};

}  // namespace testing_support
