// Finding the function and inlined calls that hold an address: the unit's
// walk to the function, then the function's entries to the calls.
#include "dwarf/functions/function_chain.h"

#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

bool IsCode(std::uint32_t tag) {
  return tag == kTagSubprogram || tag == kTagInlinedSubroutine || tag == kTagLexicalBlock;
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

FunctionReader::FunctionReader(const DebugSources& sources)
    : sources_(sources),
      entries_(sources),
      strings_(sources),
      roots_(sources),
      walks_{{sources_, entries_, lists_},
             {sources_, entries_, lists_},
             {sources_, entries_, lists_}} {}

std::uint16_t FunctionReader::io_error() const {
  if (roots_.io_error() != 0) return roots_.io_error();
  if (entries_.io_error() != 0) return entries_.io_error();
  return lists_.io_error() != 0 ? lists_.io_error() : strings_.io_error();
}

// The walk kept of the unit, else the one used least lately, started over.
UnitWalk& FunctionReader::WalkOf(const UnitSummary& unit) {
  std::size_t chosen = 0;
  for (std::size_t i = 0; i < kWalks; ++i) {
    if (walks_[i].started() && walks_[i].unit().offset == unit.offset) {
      chosen = i;
      break;
    }
    if (last_use_[i] < last_use_[chosen]) chosen = i;
  }
  last_use_[chosen] = ++uses_;
  UnitWalk& walk = walks_[chosen];
  if (!walk.started() || walk.unit().offset != unit.offset) walk.Start(unit);
  return walk;
}

bool FunctionReader::Find(std::int64_t unit, std::uint64_t target, FunctionChain& chain) {
  chain.count = 0;
  bool read = roots_.Read(unit, true, root_);
  chain.root = root_;
  if (!read || (root_.has_ranges && !InRanges(root_.ranges, target))) return false;
  return Find(static_cast<const UnitSummary&>(root_), target, chain);
}

bool FunctionReader::Find(const UnitSummary& unit, std::uint64_t target, FunctionChain& chain) {
  chain.count = 0;
  chain.root = unit;
  if (unit.malformed || !unit.has_children || !entries_.Enter(unit.offset)) return false;
  UnitWalk& walk = WalkOf(unit);
  std::int64_t function = walk.FunctionAt(target);
  if (walk.failed()) return false;
  if (!walk.lossy() && function >= 0) {
    entries_.Seek(function);
    return Walk(target, false, chain) && chain.count > 0;
  }
  // A function of a local class (a lambda's) is found only by looking
  // inside other functions; a walk that could not keep everything it
  // passed is done again the way it went, keeping nothing.
  for (bool thorough : {false, true}) {
    if (!thorough && !walk.lossy()) continue;
    entries_.Seek(unit.children);
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
bool FunctionReader::Walk(std::uint64_t target, bool thorough, FunctionChain& chain) {
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

bool FunctionReader::ReadValues(const UnitEntry& entry, Values& values) {
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

bool FunctionReader::Holds(const UnitRangeBase& unit, const CodePlace& place,
                           std::uint64_t target) {
  ranges_.clear();
  return ReadCodeRanges(lists_, sources_, unit, place, ranges_) && InRanges(ranges_, target);
}

}  // namespace rt
