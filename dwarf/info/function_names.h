// The names of the functions a chain of inlined calls holds: each found on
// its entry or on the entries its DW_AT_abstract_origin and
// DW_AT_specification lead to, qualified by the namespaces and classes that
// enclose its declaration ("Grades::Average"), without parameters. A
// linkage name gives that whole, demangled; else the declaration's
// enclosing entries are read.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/text.h"
#include "dwarf/debug_sections.h"
#include "dwarf/forms.h"
#include "dwarf/info/function_chain.h"
#include "dwarf/info/unit_entries.h"
#include "dwarf/info/unit_root.h"
#include "dwarf/strings.h"

namespace rt {

class FunctionNames {
 public:
  explicit FunctionNames(const DebugSources& sources)
      : roots_(sources), entries_(sources), strings_(sources) {}

  // The qualified name of the link's function in the unit of that root;
  // empty where no entry names it.
  Text NameOf(const FunctionLink& link, const UnitRoot& root);
  std::uint16_t io_error() const;

 private:
  // The most references followed from one entry, and the deepest nesting
  // of entries around a declaration that is read.
  static constexpr int kMaxHops = 8;
  static constexpr std::size_t kMaxDepth = 64;

  // An entry's name and where its DW_AT_abstract_origin or
  // DW_AT_specification leads.
  struct Named {
    FormValue name, linkage, origin;
  };

  bool EnterUnitOf(std::int64_t offset);
  bool ReadNamed(std::int64_t offset, Named& named);
  std::int64_t Follow(std::int64_t from_unit, const FormValue& reference) const;
  bool Qualify(std::int64_t declaration, Text& name);

  UnitRootReader roots_;
  UnitEntries entries_;
  StringTables strings_;
  UnitRoot root_;  // of the unit entries_ has entered
};

}  // namespace rt
