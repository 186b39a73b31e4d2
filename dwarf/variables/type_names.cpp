// Qualifying a type's name by the namespaces and classes around its entry,
// found by walking its unit from the root down to it.
#include "dwarf/info/entry_names.h"
#include "dwarf/variables/variable_reader.h"

namespace rt {

Text VariableReader::Qualified(EntryPlace at, const Text& name) {
  EntryPlace scopes[kMaxDepth];
  int depth = 0;
  if (!ScopesAround(at, scopes, depth)) return name;
  Text qualified;
  for (int i = 0; i < depth; ++i) {
    UnitEntry entry;
    if (!entries_.Open(scopes[i], entry)) return name;
    Text scope;
    EntryAttributes attributes = entries_.Attributes(entry);
    FormValue value;
    while (attributes.Next()) {
      if (attributes.attribute() == kAttrName && attributes.Value(value)) {
        scope = entries_.String(value);
      }
    }
    // An unnamed class adds nothing; an unnamed namespace is the file's own.
    if (scope.length == 0 && entry.tag() != kTagNamespace) continue;
    qualified.Append(scope.length > 0 ? scope.view() : std::string_view("(anonymous namespace)"));
    qualified.Append("::");
  }
  qualified.Append(name.view());
  return qualified;
}

// The scopes that hold the entry at `at`, outermost first; false where the
// walk meets it inside something else (a function's local type) or not at
// all. A scope whose sibling lies before the entry is passed over whole.
bool VariableReader::ScopesAround(EntryPlace at, EntryPlace* scopes, int& depth) {
  depth = 0;
  UnitEntry entry;
  if (!entries_.SeekTo(at) || !entries_.Open(entries_.Root(), entry) ||
      !entries_.Attributes(entry).SkipRest() || !entry.has_children()) {
    return false;
  }
  std::int64_t unit = entries_.unit();
  for (int i = 0; i < kMaxWalk; ++i) {
    EntryPlace here = entries_.Here();
    if (here.offset > at.offset || !entries_.Next(entry)) return false;
    if (entry.abbreviation == nullptr) {
      if (depth-- == 0) return false;
      continue;
    }
    if (here.offset == at.offset) return true;
    std::uint64_t sibling = 0;
    EntryAttributes attributes = entries_.Attributes(entry);
    FormValue value;
    while (attributes.Next()) {
      if (attributes.attribute() == kAttrSibling && attributes.Value(value) &&
          value.kind == FormValue::Kind::kReference) {
        sibling = value.value;
      }
    }
    if (!attributes.ok()) return false;
    bool before = sibling > 0 && sibling <= static_cast<std::uint64_t>(at.offset - unit);
    if (IsScope(entry.tag()) && entry.has_children() && !before) {
      if (depth == kMaxDepth) return false;
      scopes[depth++] = here;
    } else if (!entries_.SkipChildren(entry, sibling)) {
      return false;
    }
  }
  return false;
}

}  // namespace rt
