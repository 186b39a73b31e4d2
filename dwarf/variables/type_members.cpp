// The children of structures and enumerations: data members at constant
// offsets, and the names of enumerators.
#include "dwarf/info/entry_names.h"
#include "dwarf/variables/type_facts.h"
#include "dwarf/variables/variable_reader.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// The bits a data form holds: enumerators are written in their type's size.
std::uint64_t FormMask(std::uint64_t form) {
  switch (form) {
    case kFormData1:
      return 0xff;
    case kFormData2:
      return 0xffff;
    case kFormData4:
      return 0xffffffff;
    default:
      return ~std::uint64_t{0};
  }
}

// DW_OP_plus_uconst: the one expression that places a member at a constant
// offset in version 2 and 3.
constexpr int kOpPlusUconst = 0x23;

}  // namespace

bool VariableReader::OpenChildren(const UnitSummary& unit, std::int64_t type, bool in_types,
                                  std::uint32_t& tag) {
  home_ = unit;
  entries_.SetHome(unit);
  TypeFacts facts;
  EntryPlace at = Resolve({type, in_types}, facts);
  UnitEntry entry;
  if (!at.found() || !entries_.Open(at, entry) || !entries_.Attributes(entry).SkipRest()) {
    return false;
  }
  tag = entry.tag();
  return entry.has_children();
}

int VariableReader::MembersOf(const UnitSummary& unit, std::int64_t type, bool in_types,
                              TypeMember* out, int room) {
  std::uint32_t tag = 0;
  if (!OpenChildren(unit, type, in_types, tag)) return 0;
  if (tag != kTagStructure && tag != kTagClass && tag != kTagUnion) return 0;
  int count = 0;
  for (int i = 0; i < kMaxChildren && count < room; ++i) {
    UnitEntry entry;
    if (!entries_.Next(entry) || entry.abbreviation == nullptr) break;
    TypeMember member;
    member.base = entry.tag() == kTagInheritance;
    bool data = member.base || entry.tag() == kTagMember;
    std::uint64_t sibling = 0;
    if (!ReadMember(entry, member, data, sibling)) break;
    if (data) out[count++] = member;
    if (!entries_.SkipChildren(entry, sibling)) break;
  }
  return count;
}

// A member's name, type and offset; kept false for a bit field, a static
// member and one placed by an expression other than a constant.
bool VariableReader::ReadMember(const UnitEntry& entry, TypeMember& member, bool& kept,
                                std::uint64_t& sibling) {
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    if (!attributes.Value(value)) break;
    if (attribute == kAttrSibling && value.kind == Kind::kReference) sibling = value.value;
    if (!kept) continue;
    if (attribute == kAttrName) member.name = entries_.String(value);
    if (attribute == kAttrType) {
      EntryPlace type = entries_.Follow(value);
      member.type = type.offset;
      member.type_in_types = type.in_types;
    }
    bool placed = attribute == kAttrDataMemberLocation;
    if (placed && value.kind == Kind::kConstant) member.offset = value.value;
    if (placed && value.kind == Kind::kBlock) kept = ConstantOffset(value, member.offset);
    if (placed && value.kind != Kind::kConstant && value.kind != Kind::kBlock) kept = false;
    kept = kept && attribute != kAttrBitSize && attribute != kAttrDataBitOffset &&
           attribute != kAttrDeclaration && attribute != kAttrExternal;
  }
  return attributes.ok();
}

bool VariableReader::ConstantOffset(const FormValue& block, std::uint64_t& offset) {
  std::int64_t start = 0;
  std::uint32_t length = 0;
  if (!entries_.Block(block, start, length) || length == 0) return false;
  DwarfCursor& cursor = entries_.scratch();
  std::int64_t first = cursor.Pos();
  if (cursor.ReadNext() != kOpPlusUconst) return false;
  offset = cursor.ReadULEB128();
  return cursor.ok() && cursor.Pos() - first == length;
}

Text VariableReader::EnumeratorName(const UnitSummary& unit, std::int64_t type, bool in_types,
                                    std::int64_t value) {
  std::uint32_t tag = 0;
  if (!OpenChildren(unit, type, in_types, tag) || tag != kTagEnumerationType) return Text();
  for (int i = 0; i < kMaxChildren; ++i) {
    UnitEntry entry;
    if (!entries_.Next(entry) || entry.abbreviation == nullptr) break;
    Text name;
    bool equal = false;
    EntryAttributes attributes = entries_.Attributes(entry);
    FormValue read;
    while (attributes.Next()) {
      std::uint64_t attribute = attributes.attribute(), mask = FormMask(attributes.form());
      if (!attributes.Value(read)) break;
      if (attribute == kAttrName) name = entries_.String(read);
      if (attribute == kAttrConstValue && read.kind == Kind::kConstant) {
        equal = (read.value & mask) == (static_cast<std::uint64_t>(value) & mask);
      }
    }
    if (!attributes.ok()) break;
    if (entry.tag() == kTagEnumerator && equal) return name;
    if (!entries_.SkipChildren(entry, 0)) break;
  }
  return Text();
}

}  // namespace rt
