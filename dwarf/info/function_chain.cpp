// Walking a unit's entries to the function and inlined calls that hold an
// address.
#include "dwarf/info/function_chain.h"

#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

bool IsCode(std::uint32_t tag) {
  return tag == kTagSubprogram || tag == kTagInlinedSubroutine || tag == kTagLexicalBlock;
}

// Entries whose children may be functions: a function is defined inside
// its namespace or class as well as at the unit's top.
bool IsScope(std::uint32_t tag) {
  return tag == kTagNamespace || tag == kTagClass || tag == kTagStructure || tag == kTagUnion ||
         tag == kTagModule || tag == kTagInterface;
}

bool InRanges(const std::pmr::vector<AddressRange>& ranges, std::uint64_t target) {
  for (const AddressRange& r : ranges) {
    if (target >= r.low && target < r.high) return true;
  }
  return false;
}

bool IsReference(const FormValue& value) {
  return value.kind == FormValue::Kind::kReference || value.kind == FormValue::Kind::kInfoReference;
}

}  // namespace

std::uint16_t FunctionChainReader::io_error() const {
  if (roots_.io_error() != 0) return roots_.io_error();
  return entries_.io_error() != 0 ? entries_.io_error() : lists_.io_error();
}

bool FunctionChainReader::Find(std::int64_t unit, std::uint64_t target, FunctionChain& chain) {
  chain.count = 0;
  UnitRoot& root = chain.root;
  if (!roots_.Read(unit, true, root) || root.malformed || !root.has_children) return false;
  if (root.has_ranges && !InRanges(root.ranges, target)) return false;
  if (!entries_.Enter(unit)) return false;
  // Most functions are found passing over what cannot hold them; a function
  // of a local class (a lambda's) only by looking inside other functions.
  for (bool thorough : {false, true}) {
    entries_.Seek(root.children);
    chain.count = 0;
    if (!Walk(target, thorough, chain)) return false;
    if (chain.count > 0) return true;
  }
  return false;
}

// The entries below the root in order: into the scopes and the code that
// holds target (and, when thorough, into every function until one holds
// it), over everything else. Ends when the function that holds it has no
// more children.
bool FunctionChainReader::Walk(std::uint64_t target, bool thorough, FunctionChain& chain) {
  std::size_t depth = 0, function_depth = 0;
  for (;;) {
    UnitEntry entry;
    if (!entries_.Next(entry)) return false;
    if (entry.abbreviation == nullptr) {
      if (depth == 0) return true;
      if (--depth == function_depth && chain.count > 0) return true;
      continue;
    }
    Values values;
    if (!ReadValues(entry, values)) return false;
    std::uint32_t tag = entry.tag();
    bool enter = false, linked = false;
    if (IsCode(tag)) {
      if (tag == kTagLexicalBlock) {
        // A block's ranges only scope its variables, and may be left empty
        // around calls inlined into it: only the calls' own ranges count.
        enter = chain.count > 0 || thorough;
      } else {
        linked = values.place.described() && Holds(chain.root.unit, values.place, target);
        enter = linked || (chain.count == 0 && thorough);
      }
      if (linked && chain.count < FunctionChain::kMaxLinks) {
        if (chain.count == 0) function_depth = depth;
        values.link.entry = entries_.header().shape.offset + entry.offset;
        values.link.inlined = tag == kTagInlinedSubroutine;
        chain.links[chain.count++] = values.link;
      }
    } else {
      enter = IsScope(tag) && chain.count == 0;
    }
    if (!entry.has_children()) {
      // Nothing inside a function or call without children can hold it.
      if (linked) return true;
      continue;
    }
    if (enter) {
      ++depth;
    } else if (!entries_.SkipChildren(entry, values.sibling)) {
      return false;
    }
  }
}

bool FunctionChainReader::ReadValues(const UnitEntry& entry, Values& values) {
  EntryAttributes attributes = entries_.Attributes(entry);
  bool code = IsCode(entry.tag());
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    bool wanted =
        attribute == kAttrSibling ||
        (code && (attribute == kAttrLowPc || attribute == kAttrHighPc || attribute == kAttrRanges ||
                  attribute == kAttrName || attribute == kAttrLinkageName ||
                  attribute == kAttrMipsLinkageName || attribute == kAttrAbstractOrigin ||
                  attribute == kAttrSpecification || attribute == kAttrCallFile ||
                  attribute == kAttrCallLine || attribute == kAttrCallColumn));
    if (!wanted || !attributes.Value(value)) continue;
    FunctionLink& link = values.link;
    if (values.place.Keep(attribute, value)) continue;
    switch (attribute) {
      case kAttrSibling:
        if (value.kind == FormValue::Kind::kReference) values.sibling = value.value;
        break;
      case kAttrName:
        link.name = value;
        break;
      case kAttrLinkageName:
      case kAttrMipsLinkageName:
        link.linkage = value;
        break;
      case kAttrAbstractOrigin:
      case kAttrSpecification:
        if (IsReference(value)) link.origin = value;
        break;
      case kAttrCallFile:
        link.call_file = value.value;
        break;
      case kAttrCallLine:
        link.call_line = value.value;
        break;
      default:
        link.call_column = value.value;
        break;
    }
  }
  return attributes.ok();
}

bool FunctionChainReader::Holds(const UnitRangeBase& unit, const CodePlace& place,
                                std::uint64_t target) {
  ranges_.clear();
  return ReadCodeRanges(lists_, sources_, unit, place, ranges_) && InRanges(ranges_, target);
}

}  // namespace rt
