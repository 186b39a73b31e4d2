// What the type reader takes from one type entry.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "dwarf/variables/debug_entries.h"

namespace rt {

struct TypeFacts {
  std::uint32_t tag = 0;
  Text name;  // as the entry has it, unqualified
  std::uint64_t byte_size = 0, encoding = 0;
  EntryPlace type;       // DW_AT_type
  EntryPlace signature;  // DW_AT_signature: the type unit that defines a declaration
  // The declaration of a definition made outside the scopes that declare
  // it: they qualify its name.
  EntryPlace declared;
  bool declaration = false;
  std::uint8_t address_size = 8;
  // An array's elements in its first dimension and in all, 0 unknown.
  std::uint64_t count = 0, elements = 0;
};

}  // namespace rt
