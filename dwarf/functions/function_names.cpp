// Naming the functions of a chain.
#include "demangle/demangle.h"
#include "dwarf/functions/function_chain.h"
#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// Turns a linkage name into the qualified name it stands for; false for a
// name that is not one the demangler reads whole (or one cut short).
bool Demangled(Text& name) {
  if (name.length == 0 || name.length == Text::kCapacity) return false;
  return DemangleName(name.view(), name);
}

}  // namespace

Text FunctionReader::NameOf(const FunctionLink& link, const UnitSummary& root) {
  Named named{link.name, link.linkage, link.origin};
  // The unit of the entry read last, and of the one that gave the name.
  UnitSummary unit = root, declared = root;
  std::int64_t declaration = link.entry;
  UnitTables tables = root.unit.tables;
  Text linkage = strings_.Of(named.linkage, tables);
  for (int hop = 0; named.origin.kind != Kind::kNone && hop < kMaxHops; ++hop) {
    if (Demangled(linkage)) return linkage;
    std::int64_t next = Follow(unit, named.origin);
    Named there;
    if (next < 0 || !UnitOf(next, unit) || !ReadNamed(unit, next, there)) break;
    declaration = next;
    declared = unit;
    named.origin = there.origin;
    if (there.linkage.kind != Kind::kNone) linkage = strings_.Of(there.linkage, unit.unit.tables);
    if (there.name.kind != Kind::kNone) {
      named.name = there.name;
      tables = unit.unit.tables;
    }
  }
  if (Demangled(linkage)) return linkage;
  Text name = strings_.Of(named.name, tables);
  if (name.length == 0) return name;
  Text qualified;
  if (!Qualify(declared, declaration, qualified)) return name;
  qualified.Append(name.view());
  return qualified;
}

// The offset in .debug_info a reference leads to, -1 for none.
std::int64_t FunctionReader::Follow(const UnitSummary& from, const FormValue& reference) const {
  if (reference.kind == Kind::kReference) {
    if (reference.value > static_cast<std::uint64_t>(INT64_MAX - from.offset)) return -1;
    // A unit's own references lead into it alone, never on into the next.
    std::int64_t to = from.offset + static_cast<std::int64_t>(reference.value);
    return to < from.next ? to : -1;
  }
  if (reference.kind == Kind::kInfoReference && reference.value < INT64_MAX) {
    return static_cast<std::int64_t>(reference.value);
  }
  return -1;
}

// The unit that holds offset: the one given, else the one the index
// finds, else the one the chain of units' lengths reaches.
bool FunctionReader::UnitOf(std::int64_t offset, UnitSummary& unit) {
  if (offset >= unit.offset && offset < unit.next) return !unit.malformed;
  if (index_ != nullptr) {
    const UnitSummary* holding = index_->UnitHolding(offset);
    if (holding == nullptr) return false;
    unit = *holding;
    return !unit.malformed;
  }
  for (std::int64_t at = 0;;) {
    if (!roots_.Read(at, false, root_)) return false;
    if (offset < root_.next) break;
    if (root_.next <= at) return false;
    at = root_.next;
  }
  unit = root_;
  return !unit.malformed;
}

bool FunctionReader::ReadNamed(const UnitSummary& unit, std::int64_t offset, Named& named) {
  if (!entries_.Enter(unit.offset)) return false;
  entries_.Seek(offset - unit.offset);
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
// followed by "::", from the outline the unit's walk keeps.
bool FunctionReader::Qualify(const UnitSummary& unit, std::int64_t declaration, Text& name) {
  if (!entries_.Enter(unit.offset)) return false;
  const ScopeRecord* scopes[kMaxDepth];
  int depth = WalkOf(unit).ScopesAround(declaration - unit.offset, scopes, kMaxDepth);
  if (depth < 0) return false;
  for (int i = 0; i < depth; ++i) {
    Named named;
    if (!ReadNamed(unit, unit.offset + scopes[i]->start, named)) return false;
    Text part = strings_.Of(named.name, unit.unit.tables);
    // An unnamed class (a lambda's) adds nothing; an unnamed namespace is
    // the file's own.
    if (part.length == 0 && scopes[i]->tag != kTagNamespace) continue;
    name.Append(part.length > 0 ? part.view() : std::string_view("(anonymous namespace)"));
    name.Append("::");
  }
  return true;
}

}  // namespace rt
