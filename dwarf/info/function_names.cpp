// Naming the functions of a chain.
#include "dwarf/info/function_names.h"

#include "demangle/demangle.h"
#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// The entries whose names qualify the names declared inside them.
bool Qualifies(std::uint32_t tag) {
  return tag == kTagNamespace || tag == kTagClass || tag == kTagStructure || tag == kTagUnion ||
         tag == kTagInterface || tag == kTagModule;
}

// Turns a linkage name into the qualified name it stands for; false for a
// name that is not one the demangler reads whole (or one cut short).
bool Demangled(Text& name) {
  if (name.length == 0 || name.length == Text::kCapacity) return false;
  return DemangleName(name.view(), name);
}

}  // namespace

std::uint16_t FunctionNames::io_error() const {
  if (roots_.io_error() != 0) return roots_.io_error();
  return entries_.io_error() != 0 ? entries_.io_error() : strings_.io_error();
}

Text FunctionNames::NameOf(const FunctionLink& link, const UnitRoot& root) {
  std::int64_t unit = root.unit.tables.shape.offset;
  // Most references stay in the unit of the chain.
  if (!entries_.Holds(unit) && entries_.Enter(unit)) root_ = root;
  Named named{link.name, link.linkage, link.origin};
  std::int64_t declaration = link.entry;
  UnitTables tables = root.unit.tables;
  Text linkage = strings_.Of(named.linkage, tables);
  for (int hop = 0; named.origin.kind != Kind::kNone && hop < kMaxHops; ++hop) {
    if (Demangled(linkage)) return linkage;
    std::int64_t next = Follow(unit, named.origin);
    Named there;
    if (next < 0 || !EnterUnitOf(next) || !ReadNamed(next, there)) break;
    declaration = next;
    unit = root_.unit.tables.shape.offset;
    named.origin = there.origin;
    if (there.linkage.kind != Kind::kNone) linkage = strings_.Of(there.linkage, root_.unit.tables);
    if (there.name.kind != Kind::kNone) {
      named.name = there.name;
      tables = root_.unit.tables;
    }
  }
  if (Demangled(linkage)) return linkage;
  Text name = strings_.Of(named.name, tables);
  if (name.length == 0) return name;
  Text qualified;
  if (!EnterUnitOf(declaration) || !Qualify(declaration, qualified)) return name;
  qualified.Append(name.view());
  return qualified;
}

// The offset in .debug_info a reference leads to, -1 for none.
std::int64_t FunctionNames::Follow(std::int64_t from_unit, const FormValue& reference) const {
  if (reference.kind == Kind::kReference) {
    if (reference.value > static_cast<std::uint64_t>(INT64_MAX - from_unit)) return -1;
    // A unit's own references lead into it alone, never on into the next.
    std::int64_t to = from_unit + static_cast<std::int64_t>(reference.value);
    return entries_.Holds(from_unit) && entries_.Holds(to) ? to : -1;
  }
  if (reference.kind == Kind::kInfoReference && reference.value < INT64_MAX) {
    return static_cast<std::int64_t>(reference.value);
  }
  return -1;
}

// Enters the unit that holds offset: the one entered already, else the one
// the chain of units' lengths reaches.
bool FunctionNames::EnterUnitOf(std::int64_t offset) {
  if (entries_.Holds(offset)) return true;
  // root_ describes the unit entered, which a unit that cannot be entered
  // leaves as it was.
  UnitRoot root;
  for (std::int64_t unit = 0;;) {
    if (!roots_.Read(unit, false, root)) return false;
    if (offset < root.next) break;
    if (root.next <= unit) return false;
    unit = root.next;
  }
  if (root.malformed || !entries_.Enter(root.unit.tables.shape.offset)) return false;
  root_ = root;
  return entries_.Holds(offset);
}

bool FunctionNames::ReadNamed(std::int64_t offset, Named& named) {
  entries_.Seek(offset - entries_.header().shape.offset);
  UnitEntry entry;
  if (!entries_.Next(entry) || entry.abbreviation == nullptr) return false;
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    FormValue* kept =
        attribute == kAttrName                                                ? &named.name
        : attribute == kAttrLinkageName || attribute == kAttrMipsLinkageName  ? &named.linkage
        : attribute == kAttrAbstractOrigin || attribute == kAttrSpecification ? &named.origin
                                                                              : nullptr;
    if (kept == nullptr) continue;
    if (!attributes.Value(value)) return false;
    *kept = value;
  }
  return attributes.ok();
}

// The names of the namespaces and classes around the declaration, each
// followed by "::": the unit's entries from its first, into those that
// enclose the declaration, over those that end before it.
bool FunctionNames::Qualify(std::int64_t declaration, Text& name) {
  struct Scope {
    std::uint32_t tag = 0;
    FormValue name;
  };
  Scope scopes[kMaxDepth];
  std::size_t depth = 0;
  std::int64_t target = declaration - entries_.header().shape.offset;
  entries_.Seek(root_.children);
  for (;;) {
    UnitEntry entry;
    if (!entries_.Next(entry) || entry.offset > target) return false;
    if (entry.abbreviation == nullptr) {
      if (depth == 0) return false;
      --depth;
      continue;
    }
    if (entry.offset == target) break;
    Scope scope{entry.tag(), FormValue()};
    std::uint64_t sibling = 0;
    EntryAttributes attributes = entries_.Attributes(entry);
    FormValue value;
    while (attributes.Next()) {
      std::uint64_t attribute = attributes.attribute();
      if (attribute != kAttrName && attribute != kAttrSibling) continue;
      if (!attributes.Value(value)) return false;
      if (attribute == kAttrName) scope.name = value;
      if (attribute == kAttrSibling && value.kind == Kind::kReference) sibling = value.value;
    }
    if (!attributes.ok()) return false;
    if (!entry.has_children()) continue;
    // Only a sibling ahead of the entry tells that the declaration lies past
    // its children.
    if (sibling > static_cast<std::uint64_t>(entry.offset) &&
        sibling <= static_cast<std::uint64_t>(target)) {
      if (!entries_.SkipChildren(entry, sibling)) return false;
    } else if (depth < kMaxDepth) {
      scopes[depth++] = scope;
    } else {
      return false;
    }
  }
  for (std::size_t i = 0; i < depth; ++i) {
    if (!Qualifies(scopes[i].tag)) continue;
    Text part = strings_.Of(scopes[i].name, root_.unit.tables);
    // An unnamed class (a lambda's) adds nothing; an unnamed namespace is
    // the file's own.
    if (part.length == 0 && scopes[i].tag != kTagNamespace) continue;
    name.Append(part.length > 0 ? part.view() : std::string_view("(anonymous namespace)"));
    name.Append("::");
  }
  return true;
}

}  // namespace rt
