// The values a call passed in registers, as the caller's call site entries
// tell them: what lets a callee's parameter whose register it has since
// reused still be known, through its value at entry.
#include "base/registers.h"
#include "dwarf/expression/expression_opcodes.h"
#include "dwarf/info/entry_names.h"
#include "dwarf/strings.h"
#include "dwarf/variables/variable_reader.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

bool IsCallSite(std::uint32_t tag) {
  return tag == kTagCallSite || tag == kTagGnuCallSite;
}

bool IsCallSiteParameter(std::uint32_t tag) {
  return tag == kTagCallSiteParameter || tag == kTagGnuCallSiteParameter;
}

}  // namespace

// The function's entries are read in order, into every block and inlined
// call, until the call site that returns to return_pc.
int VariableReader::CallSiteValues(const UnitSummary& unit, std::int64_t function,
                                   std::uint64_t return_pc, CallSiteValue* out, int room) {
  home_ = unit;
  entries_.SetHome(unit);
  UnitEntry entry;
  if (room <= 0 || !entries_.Open({function, false}, entry) ||
      !entries_.Attributes(entry).SkipRest() || !entry.has_children()) {
    return 0;
  }
  int depth = 1;
  for (int i = 0; i < kMaxWalk && depth > 0; ++i) {
    if (!entries_.Next(entry)) return 0;
    if (entry.abbreviation == nullptr) {
      --depth;
      continue;
    }
    bool children = entry.has_children();
    if (!IsCallSite(entry.tag())) {
      if (!entries_.Attributes(entry).SkipRest()) return 0;
      depth += children ? 1 : 0;
      continue;
    }
    bool matches = false;
    std::uint64_t sibling = 0;
    if (!ReturnsTo(entry, return_pc, matches, sibling)) return 0;
    if (matches) return children ? ReadParameters(out, room) : 0;
    if (!entries_.SkipChildren(children, sibling)) return 0;
  }
  return 0;
}

bool VariableReader::ReturnsTo(const UnitEntry& entry, std::uint64_t return_pc, bool& matches,
                               std::uint64_t& sibling) {
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    if (attribute != kAttrCallReturnPc && attribute != kAttrLowPc && attribute != kAttrSibling) {
      continue;
    }
    if (!attributes.Value(value)) break;
    std::uint64_t address = 0;
    if (attribute == kAttrSibling && value.kind == Kind::kReference) sibling = value.value;
    // A call site of the older form names its return address by its low pc.
    if (attribute != kAttrSibling && AddressOf(sources_, value, home_.unit.tables, address)) {
      matches = address == return_pc;
    }
  }
  return attributes.ok();
}

// The call site's children, up to the end of its list.
int VariableReader::ReadParameters(CallSiteValue* out, int room) {
  int count = 0;
  for (int i = 0; i < kMaxChildren; ++i) {
    UnitEntry entry;
    if (!entries_.Next(entry) || entry.abbreviation == nullptr) break;
    CallSiteValue parameter;
    if (IsCallSiteParameter(entry.tag())) {
      if (!ReadParameter(entry, parameter)) break;
    } else if (!entries_.Attributes(entry).SkipRest()) {
      break;
    }
    if (!entries_.SkipChildren(entry, 0)) break;
    if (parameter.reg >= 0 && parameter.value.is_expression() && count < room) {
      out[count++] = parameter;
    }
  }
  return count;
}

// A parameter counts where its location is one register and its value an
// expression.
bool VariableReader::ReadParameter(const UnitEntry& entry, CallSiteValue& parameter) {
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    bool located = attribute == kAttrLocation;
    bool valued = attribute == kAttrCallValue || attribute == kAttrGnuCallSiteValue;
    if (!located && !valued) continue;
    if (!attributes.Value(value)) break;
    std::int64_t start = 0;
    std::uint32_t length = 0;
    if (value.kind != Kind::kBlock) continue;
    bool block = entries_.Block(value, start, length);
    if (block && valued) parameter.value = {FormValue(), start, length};
    if (block && located) {
      DwarfCursor& cursor = entries_.scratch();
      int op = cursor.ReadNext();
      std::uint64_t reg = op >= kOpReg0 && op <= kOpReg31 ? op - kOpReg0 : kMaxFrameRegisters;
      if (op == kOpRegx) reg = cursor.ReadULEB128();
      bool single = cursor.ok() && cursor.Pos() - (start - entries_.unit()) == length;
      if (single && reg < kMaxFrameRegisters) parameter.reg = static_cast<int>(reg);
    }
  }
  return attributes.ok();
}

}  // namespace rt
