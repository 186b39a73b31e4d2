// Walking a unit once, keeping what later questions about it need.
#include "dwarf/functions/unit_walk.h"

#include <algorithm>

#include "dwarf/info/code_ranges.h"
#include "dwarf/info/entry_names.h"

namespace rt {

namespace {

// What the walk reads of an entry: where its children end, and for code,
// where the code lies.
struct WalkValues {
  CodePlace place;
  std::uint64_t sibling = 0;
};

bool ReadWalkValues(UnitEntries& entries, const UnitEntry& entry, bool code, WalkValues& values) {
  EntryAttributes attributes = entries.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    bool wanted =
        attribute == kAttrSibling ||
        (code && (attribute == kAttrLowPc || attribute == kAttrHighPc || attribute == kAttrRanges));
    if (!wanted || !attributes.Value(value)) continue;
    if (code && values.place.Keep(attribute, value)) continue;
    if (value.kind == FormValue::Kind::kReference) values.sibling = value.value;
  }
  return attributes.ok();
}

}  // namespace

void UnitWalk::Start(const UnitSummary& unit) {
  unit_ = unit;
  started_ = true;
  ended_ = !unit.has_children;
  lossy_ = failed_ = revisit_ = false;
  position_ = unit.children;
  open_ = -1;
  functions_.clear();
  scopes_.clear();
}

std::int64_t UnitWalk::FunctionAt(std::uint64_t target) {
  std::int64_t entry = Recorded(target);
  if (entry >= 0) return entry;
  std::int64_t found = -1;
  return WalkOn(&target, ScopeRecord::kOpen, found) ? found : -1;
}

int UnitWalk::ScopesAround(std::int64_t offset, const ScopeRecord** scopes, int count) {
  std::int64_t found = -1;
  if (!WalkOn(nullptr, offset, found) || lossy_) return -1;
  auto after = std::lower_bound(scopes_.begin(), scopes_.end(), offset,
                                [](const ScopeRecord& s, std::int64_t o) { return s.start < o; });
  std::int32_t inner = static_cast<std::int32_t>(after - scopes_.begin()) - 1;
  while (inner >= 0 && scopes_[static_cast<std::size_t>(inner)].end <= offset) {
    inner = scopes_[static_cast<std::size_t>(inner)].parent;
  }
  int depth = 0;
  for (std::int32_t s = inner; s >= 0; s = scopes_[static_cast<std::size_t>(s)].parent) ++depth;
  if (depth > count) return -1;
  int at = depth;
  for (std::int32_t s = inner; s >= 0; s = scopes_[static_cast<std::size_t>(s)].parent) {
    scopes[--at] = &scopes_[static_cast<std::size_t>(s)];
  }
  return depth;
}

// The first function kept, in the order of the entries, that holds target.
std::int64_t UnitWalk::Recorded(std::uint64_t target) const {
  for (const FunctionRange& f : functions_) {
    if (target >= f.low && target < f.high) return f.entry;
  }
  return -1;
}

bool UnitWalk::WalkOn(const std::uint64_t* target, std::int64_t until, std::int64_t& found) {
  found = -1;
  if (failed_) return false;
  entries_.Seek(position_);
  while (!ended_ && position_ <= until && found < 0) {
    if (!Step(target, found)) {
      failed_ = true;
      return false;
    }
  }
  return true;
}

// Reads the entry at the walk's position and goes on past it: into a
// scope, over the children of anything else. A function that holds target
// is kept and stops the walk at it, to be passed over by the next step,
// since its children are read next to find the calls inlined into it.
bool UnitWalk::Step(const std::uint64_t* target, std::int64_t& found) {
  UnitEntry entry;
  if (!entries_.Next(entry)) return false;
  if (entry.abbreviation == nullptr) {
    if (open_ < 0) {
      ended_ = true;
    } else {
      Close(entries_.Pos());
    }
    position_ = entries_.Pos();
    return true;
  }
  std::uint32_t tag = entry.tag();
  bool code = tag == kTagSubprogram || tag == kTagInlinedSubroutine;
  WalkValues values;
  if (!ReadWalkValues(entries_, entry, code && !revisit_, values)) return false;
  if (revisit_) {
    revisit_ = false;
  } else {
    if (tag == kTagSubprogram && open_ >= 0)
      scopes_[static_cast<std::size_t>(open_)].declares = true;
    if (IsScope(tag) && entry.has_children()) {
      if (scopes_.size() < kMaxScopes) {
        Open(entry.offset, tag);
        position_ = entries_.Pos();
        return true;
      }
      lossy_ = true;
    }
    if (code && values.place.described() && Keep(entry.offset, values.place, target)) {
      found = entry.offset;
      revisit_ = true;
      return true;
    }
  }
  if (!entries_.SkipChildren(entry, values.sibling)) return false;
  position_ = entries_.Pos();
  return true;
}

// Keeps the ranges of a function's code; whether they hold target. Ranges
// that cannot be read hold nothing, as the walk to the calls would find.
bool UnitWalk::Keep(std::int64_t entry, const CodePlace& place, const std::uint64_t* target) {
  ranges_.clear();
  if (!ReadCodeRanges(lists_, sources_, unit_.unit, place, ranges_)) return false;
  bool holds = false;
  for (const AddressRange& r : ranges_) {
    if (functions_.size() < kMaxFunctionRanges) {
      functions_.push_back({r.low, r.high, entry});
    } else {
      lossy_ = true;
    }
    holds = holds || (target != nullptr && *target >= r.low && *target < r.high);
  }
  return holds;
}

void UnitWalk::Open(std::int64_t start, std::uint32_t tag) {
  scopes_.push_back({start, ScopeRecord::kOpen, open_, tag, false});
  open_ = static_cast<std::int32_t>(scopes_.size() - 1);
}

// A scope that declares no function, nor holds one that does, names
// nothing: it is dropped, and the outline stays small.
void UnitWalk::Close(std::int64_t end) {
  std::size_t closed = static_cast<std::size_t>(open_);
  scopes_[closed].end = end;
  open_ = scopes_[closed].parent;
  if (!scopes_[closed].declares && closed + 1 == scopes_.size()) scopes_.pop_back();
}

}  // namespace rt
