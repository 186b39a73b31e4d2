// The variables in scope at an address: the function's children level by
// level, into the blocks that hold the address.
#include "dwarf/info/code_ranges.h"
#include "dwarf/info/entry_names.h"
#include "dwarf/variables/variable_reader.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// Fills what the entry of an origin adds to what its instance said.
void Merge(const ScopeVariable& from, ScopeVariable& to) {
  if (to.name.length == 0) to.name = from.name;
  if (to.type < 0) {
    to.type = from.type;
    to.type_in_types = from.type_in_types;
  }
  if (to.decl_line == 0) to.decl_line = from.decl_line;
  if (!to.has_const_value) {
    to.has_const_value = from.has_const_value;
    to.const_value = from.const_value;
  }
}

}  // namespace

// What a variable's entry and its origins say.
struct VariableReader::Declared {
  ScopeVariable variable;
  EntryPlace origin;
  bool hidden = false;  // a declaration, or a name seen outside the function
};

struct VariableReader::Collect {
  ScopeVariable* out;
  int room;
  std::uint32_t line;
  int count = 0, parameters = 0;

  // Parameters before locals, each in the order found.
  void Add(const ScopeVariable& variable) {
    if (count >= room) return;
    int at = variable.parameter ? parameters++ : count;
    for (int i = count; i > at; --i) out[i] = out[i - 1];
    out[at] = variable;
    ++count;
  }
};

VariableReader::VariableReader(const DebugSources& sources)
    : sources_(sources), entries_(sources) {}

int VariableReader::VariablesInScope(const UnitSummary& unit, std::int64_t function,
                                     std::uint64_t pc, std::uint32_t line, ScopeVariable* out,
                                     int room) {
  home_ = unit;
  entries_.SetHome(unit);
  Collect collect{out, room < kMaxVariables ? room : kMaxVariables, line};
  UnitEntry entry;
  if (collect.room <= 0 || !entries_.Open({function, false}, entry) ||
      !entries_.Attributes(entry).SkipRest() || !entry.has_children()) {
    return 0;
  }
  EntryPlace blocks[kMaxBlocks];
  int queued = 0;
  blocks[queued++] = entries_.Here();
  for (int next = 0; next < queued; ++next) {
    if (!entries_.SeekTo(blocks[next]) || !ReadLevel(pc, collect, blocks, queued)) break;
  }
  return collect.count;
}

// One list of children: its variables kept, the blocks that hold pc
// queued to be read after it.
bool VariableReader::ReadLevel(std::uint64_t pc, Collect& collect, EntryPlace* blocks,
                               int& queued) {
  for (int i = 0; i < kMaxChildren; ++i) {
    UnitEntry entry;
    if (!entries_.Next(entry)) return false;
    if (entry.abbreviation == nullptr) return true;
    // Reading a variable's origins may read more abbreviations and move
    // the entry's own: what it says is taken first.
    std::uint32_t tag = entry.tag();
    bool children = entry.has_children();
    std::uint64_t sibling = 0;
    bool holds = false;
    if (tag == kTagFormalParameter || tag == kTagVariable) {
      if (!ReadVariable(entry, collect)) return false;
    } else if (!HoldsPc(entry, pc, holds, sibling)) {
      return false;
    }
    if (tag == kTagLexicalBlock && holds && children && queued < kMaxBlocks) {
      blocks[queued++] = entries_.Here();
    }
    if (!entries_.SkipChildren(children, sibling)) return false;
  }
  return false;
}

// Reads any entry's attributes; a block without code of its own scopes
// its variables as the code around it does.
bool VariableReader::HoldsPc(const UnitEntry& entry, std::uint64_t pc, bool& holds,
                             std::uint64_t& sibling) {
  bool block = entry.tag() == kTagLexicalBlock;
  CodePlace place;
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    bool wanted = attribute == kAttrSibling ||
                  (block && (attribute == kAttrLowPc || attribute == kAttrHighPc ||
                             attribute == kAttrRanges));
    if (!wanted || !attributes.Value(value) || place.Keep(attribute, value)) continue;
    if (value.kind == Kind::kReference) sibling = value.value;
  }
  if (!attributes.ok()) return false;
  if (!block) return true;
  if (!place.described()) {
    holds = true;
    return true;
  }
  ranges_.clear();
  if (!ReadCodeRanges(entries_.scratch(), sources_, home_.unit, place, ranges_)) return true;
  for (const AddressRange& range : ranges_) holds = holds || (pc >= range.low && pc < range.high);
  return true;
}

bool VariableReader::ReadVariable(const UnitEntry& entry, Collect& collect) {
  Declared declared;
  ScopeVariable& variable = declared.variable;
  variable.parameter = entry.tag() == kTagFormalParameter;
  if (!ReadDeclared(entry, declared, true)) return false;
  if (declared.origin.found()) {
    EntryPlace resume = entries_.Here();
    ReadOrigins(declared);
    if (!entries_.SeekTo(resume)) return false;
  }
  bool later = !variable.parameter && collect.line > 0 && variable.decl_line >= collect.line;
  if (!declared.hidden && variable.name.length > 0 && !later) collect.Add(variable);
  return true;
}

// The origins of a concrete instance, each filling what the ones before
// left out; a broken one ends the chain.
void VariableReader::ReadOrigins(Declared& declared) {
  EntryPlace origin = declared.origin;
  for (int hop = 0; hop < kMaxHops && origin.found(); ++hop) {
    UnitEntry entry;
    Declared there;
    if (!entries_.Open(origin, entry) || !ReadDeclared(entry, there, false)) return;
    Merge(there.variable, declared.variable);
    declared.hidden = declared.hidden || there.hidden;
    origin = there.origin;
  }
}

bool VariableReader::ReadDeclared(const UnitEntry& entry, Declared& declared, bool located) {
  ScopeVariable& variable = declared.variable;
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    if (attribute == kAttrLocation && located) {
      if (!ReadLocation(attributes, variable.location)) break;
      continue;
    }
    if (!attributes.Value(value)) break;
    switch (attribute) {
      case kAttrName:
        variable.name = entries_.String(value);
        break;
      case kAttrType: {
        EntryPlace type = entries_.Follow(value);
        variable.type = type.offset;
        variable.type_in_types = type.in_types;
        break;
      }
      case kAttrDeclLine:
        if (value.kind == Kind::kConstant && value.value <= UINT32_MAX) {
          variable.decl_line = static_cast<std::uint32_t>(value.value);
        }
        break;
      case kAttrConstValue:
        variable.has_const_value = value.kind == Kind::kConstant;
        variable.const_value = value.value;
        break;
      case kAttrExternal:
      case kAttrDeclaration:
        declared.hidden = declared.hidden || value.value != 0;
        break;
      case kAttrAbstractOrigin:
        declared.origin = entries_.Follow(value);
        break;
      default:
        break;
    }
  }
  return attributes.ok();
}

// An expression in the entry, or a list; version 3 and before give a list
// by a data form, and an expression as any block.
bool VariableReader::ReadLocation(EntryAttributes& attributes, EntryLocation& location) {
  std::uint64_t form = attributes.form();
  FormValue value;
  if (!attributes.Value(value)) return false;
  if (value.kind == Kind::kBlock) {
    std::int64_t start = 0;
    std::uint32_t length = 0;
    if (!entries_.Here().in_types && entries_.Block(value, start, length)) {
      location.at = start;
      location.length = length;
    }
  } else if (value.kind == Kind::kSectionOffset || value.kind == Kind::kListIndex) {
    location.list = value;
  } else if (value.kind == Kind::kConstant && entries_.shape().version <= 3 &&
             (form == kFormData4 || form == kFormData8)) {
    location.list = {Kind::kSectionOffset, value.value};
  }
  return true;
}

bool VariableReader::FrameBase(const UnitSummary& unit, std::int64_t function,
                               EntryLocation& base) {
  home_ = unit;
  entries_.SetHome(unit);
  base = EntryLocation();
  UnitEntry entry;
  if (!entries_.Open({function, false}, entry)) return false;
  EntryAttributes attributes = entries_.Attributes(entry);
  while (attributes.Next()) {
    if (attributes.attribute() != kAttrFrameBase) continue;
    if (!ReadLocation(attributes, base)) return false;
  }
  return attributes.ok() && base.present();
}

}  // namespace rt
