// The attributes of one entry of a unit, in its abbreviation's order: each
// one's attribute and form, and its value, read only when asked for; a
// value not asked for is passed over on the way to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "dwarf/cursor.h"
#include "dwarf/forms.h"
#include "dwarf/info/abbreviations.h"

namespace rt {

class EntryAttributes {
 public:
  // The entry of that abbreviation whose values start at the cursor's
  // position, in a unit of that shape.
  EntryAttributes(DwarfCursor& info, const UnitShape& unit, std::span<const AttributeSpec> specs)
      : info_(info), unit_(unit), specs_(specs) {}

  // Moves to the next attribute, first passing over the value of the one
  // before. False after the last, with the cursor after the entry, and
  // where a value cannot be passed over: then ok() is false.
  bool Next();
  std::uint64_t attribute() const { return specs_[at_].attribute; }
  std::uint64_t form() const { return specs_[at_].form; }
  // The value of the attribute Next moved to; false for a form this reader
  // does not know or a value past the unit's end.
  bool Value(FormValue& value);
  // Passes over what is left of the entry; false where that cannot be done.
  bool SkipRest();
  bool ok() const { return !failed_ && info_.ok(); }

 private:
  bool ReadCurrent();

  DwarfCursor& info_;
  const UnitShape& unit_;
  std::span<const AttributeSpec> specs_;
  std::size_t at_ = 0;
  bool started_ = false;
  bool read_ = false;  // the current value has been read, into value_
  bool failed_ = false;
  FormValue value_;
};

}  // namespace rt
