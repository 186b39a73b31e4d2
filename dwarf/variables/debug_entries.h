// Entries of .debug_info and of .debug_types read at any offset: the unit
// that holds one is entered on the way, and references read in it lead on,
// into the same unit, another one, or the type unit of a signature.
#pragma once

#include <cstdint>

#include "base/resource_object.h"
#include "base/text.h"
#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "dwarf/info/unit_entries.h"
#include "dwarf/info/unit_root.h"
#include "dwarf/strings.h"

namespace rt {

// An entry's offset in .debug_info, or in .debug_types where in_types.
struct EntryPlace {
  std::int64_t offset = -1;
  bool in_types = false;
  bool found() const { return offset >= 0; }
};

// Where an entry's DW_AT_location or DW_AT_frame_base leads: an expression
// held in the entry, whose bytes lie at `at` in .debug_info, or a location
// list (list: kSectionOffset or kListIndex). Neither where it is absent.
struct EntryLocation {
  FormValue list;
  std::int64_t at = -1;
  std::uint32_t length = 0;
  bool is_expression() const { return at >= 0; }
  bool present() const { return at >= 0 || list.kind != FormValue::Kind::kNone; }
};

class DebugEntries {
 public:
  // The most units passed over looking for the one that holds an offset or
  // bears a signature, and the signatures whose units are remembered.
  static constexpr int kMaxUnits = 1 << 20;
  static constexpr int kKnownSignatures = 16;

  explicit DebugEntries(const DebugSources& sources);
  ~DebugEntries();
  DebugEntries(const DebugEntries&) = delete;
  DebugEntries& operator=(const DebugEntries&) = delete;

  // The unit whose root the caller has read: its tables are taken as given.
  void SetHome(const UnitSummary& unit) { home_ = unit; }
  // Enters the unit that holds place and stands at the entry; false where
  // no unit holds it or it lies in a unit's header.
  bool SeekTo(EntryPlace place);
  // The same, and reads the entry's code: its attributes follow.
  bool Open(EntryPlace place, UnitEntry& entry);
  bool Next(UnitEntry& entry) { return current().Next(entry); }
  EntryAttributes Attributes(const UnitEntry& entry) { return current().Attributes(entry); }
  bool SkipChildren(const UnitEntry& entry, std::uint64_t sibling) {
    return current().SkipChildren(entry, sibling);
  }
  bool SkipChildren(bool has_children, std::uint64_t sibling) {
    return current().SkipChildren(has_children, sibling);
  }
  // The first byte of the unit entered.
  std::int64_t unit() const { return current().header().shape.offset; }
  // The cursor's place in the unit entered.
  EntryPlace Here() const { return {unit() + current().Pos(), in_types_}; }
  const UnitShape& shape() const { return current().header().shape; }
  // The root entry of the unit entered.
  EntryPlace Root() const { return {unit() + first_entry_[in_types_], in_types_}; }

  // Where a reference read in the unit entered leads; not found for one
  // that leads out of its unit, or to a signature no unit bears.
  EntryPlace Follow(const FormValue& reference);
  // The string a value read in the unit entered names.
  Text String(const FormValue& value);
  // Where the bytes of a block read in the unit entered start, and how
  // many; false where it reaches past its unit. The scratch cursor is left
  // at the block's first byte.
  bool Block(const FormValue& block, std::int64_t& start, std::uint32_t& length);
  // A cursor for the callers' own short reads; each read sets it anew.
  DwarfCursor& scratch() { return scratch_; }

 private:
  struct Known {
    std::uint64_t signature = 0;
    EntryPlace type;
  };
  // The type units' reader, made when one is first entered: most programs
  // have none.
  struct TypeUnits;
  UnitEntries& current() { return in_types_ ? TypesEntries() : info_; }
  const UnitEntries& current() const { return in_types_ ? TypesEntries() : info_; }
  UnitEntries& TypesEntries() const;
  // The reader of a section's units; null for .debug_types where it is absent.
  UnitEntries* EntriesOf(bool in_types);
  bool Enter(EntryPlace place);
  bool UnitHolding(bool in_types, std::int64_t offset, std::int64_t& unit);
  void ReadTables();
  EntryPlace FindSignature(std::uint64_t signature);
  EntryPlace ScanSignature(bool in_types, std::uint64_t signature);

  DebugSources sources_;
  DebugSources types_sources_;  // .debug_types read as .debug_info is
  UnitEntries info_;
  StringTables info_strings_;
  ResourcePtr<TypeUnits> types_;
  DwarfCursor scratch_;
  UnitSummary home_;
  bool in_types_ = false;  // which section's unit was entered last
  // Of the unit entered in each section: its root, from its first byte,
  // and its tables.
  std::int64_t first_entry_[2] = {};
  UnitTables tables_[2];
  Known known_[kKnownSignatures];
  int known_count_ = 0, known_next_ = 0;
};

}  // namespace rt
