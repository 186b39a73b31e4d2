// Describing a type entry: past its typedefs and qualifiers, and from a
// declaration to the type unit that defines it.
#include "dwarf/info/entry_names.h"
#include "dwarf/variables/type_facts.h"
#include "dwarf/variables/variable_reader.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;
using ViewKind = TypeView::Kind;

bool IsQualifier(std::uint32_t tag) {
  return tag == kTagTypedef || tag == kTagConstType || tag == kTagVolatileType ||
         tag == kTagRestrictType || tag == kTagAtomicType;
}

// Plain char is signed or not as the target has it; its name tells it from
// the two explicit ones.
ViewKind BaseKind(const TypeFacts& facts) {
  bool plain = facts.name.view() == "char";
  switch (facts.encoding) {
    case kEncodingBoolean:
      return ViewKind::kBool;
    case kEncodingFloat:
      return ViewKind::kFloat;
    case kEncodingSigned:
      return ViewKind::kSigned;
    case kEncodingSignedChar:
      return plain ? ViewKind::kChar : ViewKind::kSignedChar;
    case kEncodingUnsignedChar:
      return plain ? ViewKind::kChar : ViewKind::kUnsignedChar;
    case kEncodingUnsigned:
    case kEncodingAddress:
    case kEncodingUtf:
      return ViewKind::kUnsigned;
    default:
      return ViewKind::kUnknown;
  }
}

ViewKind KindOf(const TypeFacts& facts) {
  switch (facts.tag) {
    case kTagBaseType:
      return BaseKind(facts);
    case kTagPointerType:
      return ViewKind::kPointer;
    case kTagReferenceType:
    case kTagRvalueReferenceType:
      return ViewKind::kReference;
    case kTagEnumerationType:
      return ViewKind::kEnum;
    case kTagStructure:
    case kTagClass:
    case kTagUnion:
      return ViewKind::kStruct;
    case kTagArrayType:
      return ViewKind::kArray;
    case kTagNullptrType:
      return facts.name.view() == "decltype(nullptr)" ? ViewKind::kNullptr : ViewKind::kUnknown;
    default:
      return ViewKind::kUnknown;
  }
}

// The elements of one dimension, from its count or its bounds; 0 unknown.
std::uint64_t Elements(const FormValue& count, const FormValue& lower, const FormValue& upper) {
  if (count.kind == Kind::kConstant) return count.value;
  std::uint64_t low = lower.kind == Kind::kConstant ? lower.value : 0;
  if (upper.kind != Kind::kConstant || upper.value < low || upper.value - low == UINT64_MAX)
    return 0;
  return upper.value - low + 1;
}

}  // namespace

bool VariableReader::DescribeType(const UnitSummary& unit, std::int64_t type, bool in_types,
                                  TypeView& view) {
  home_ = unit;
  entries_.SetHome(unit);
  view = TypeView();
  TypeFacts facts;
  EntryPlace at = Resolve({type, in_types}, facts);
  if (!at.found()) return false;
  view.kind = KindOf(facts);
  view.size = facts.byte_size;
  view.count = facts.count;
  bool addressed = view.kind == ViewKind::kPointer || view.kind == ViewKind::kReference ||
                   view.kind == ViewKind::kNullptr;
  if (addressed && view.size == 0) view.size = facts.address_size;
  bool targets = view.kind == ViewKind::kPointer || view.kind == ViewKind::kReference ||
                 view.kind == ViewKind::kEnum || view.kind == ViewKind::kArray;
  if (targets && facts.type.found()) {
    TypeFacts element;
    EntryPlace target = Resolve(facts.type, element);
    view.target = target.offset;
    view.target_in_types = target.in_types;
    std::uint64_t each = element.byte_size;
    if (view.kind == ViewKind::kArray && view.size == 0 &&
        (each == 0 || facts.elements <= UINT64_MAX / each)) {
      view.size = facts.elements * each;
    }
  }
  bool scoped = view.kind == ViewKind::kStruct || view.kind == ViewKind::kEnum;
  EntryPlace declared = facts.declared.found() ? facts.declared : at;
  view.name = scoped && facts.name.length > 0 ? Qualified(declared, facts.name) : facts.name;
  return true;
}

EntryPlace VariableReader::Resolve(EntryPlace at, TypeFacts& facts) {
  for (int hop = 0; hop < kMaxHops && at.found(); ++hop) {
    if (!ReadFacts(at, facts)) return {};
    if (IsQualifier(facts.tag)) {
      at = facts.type;
    } else if (facts.declaration && facts.signature.found()) {
      at = facts.signature;
    } else {
      return at;
    }
  }
  return {};
}

bool VariableReader::ReadFacts(EntryPlace at, TypeFacts& facts) {
  facts = TypeFacts();
  UnitEntry entry;
  if (!entries_.Open(at, entry)) return false;
  facts.tag = entry.tag();
  facts.address_size = entries_.shape().address_size;
  EntryAttributes attributes = entries_.Attributes(entry);
  FormValue value;
  while (attributes.Next()) {
    std::uint64_t attribute = attributes.attribute();
    bool wanted = attribute == kAttrName || attribute == kAttrByteSize ||
                  attribute == kAttrEncoding || attribute == kAttrType ||
                  attribute == kAttrSignature || attribute == kAttrDeclaration ||
                  attribute == kAttrSpecification;
    if (!wanted || !attributes.Value(value)) continue;
    bool constant = value.kind == Kind::kConstant;
    if (attribute == kAttrName) facts.name = entries_.String(value);
    if (attribute == kAttrByteSize && constant) facts.byte_size = value.value;
    if (attribute == kAttrEncoding && constant) facts.encoding = value.value;
    if (attribute == kAttrType) facts.type = entries_.Follow(value);
    if (attribute == kAttrSignature) facts.signature = entries_.Follow(value);
    if (attribute == kAttrDeclaration) facts.declaration = value.value != 0;
    if (attribute == kAttrSpecification) facts.declared = entries_.Follow(value);
  }
  if (!attributes.ok()) return false;
  if (facts.tag == kTagArrayType && entry.has_children()) ReadBounds(facts);
  return true;
}

// The array's dimensions: the first one's elements, and all of theirs.
void VariableReader::ReadBounds(TypeFacts& facts) {
  std::uint64_t elements = 1;
  int dimensions = 0;
  for (int i = 0; i < kMaxChildren; ++i) {
    UnitEntry entry;
    if (!entries_.Next(entry) || entry.abbreviation == nullptr) break;
    FormValue count, lower, upper, value;
    EntryAttributes attributes = entries_.Attributes(entry);
    while (attributes.Next()) {
      std::uint64_t attribute = attributes.attribute();
      FormValue* kept = attribute == kAttrCount        ? &count
                        : attribute == kAttrLowerBound ? &lower
                        : attribute == kAttrUpperBound ? &upper
                                                       : nullptr;
      if (kept != nullptr && attributes.Value(value)) *kept = value;
    }
    if (!attributes.ok() || !entries_.SkipChildren(entry, 0)) break;
    if (entry.tag() != kTagSubrangeType) continue;
    std::uint64_t n = Elements(count, lower, upper);
    if (dimensions++ == 0) facts.count = n;
    elements = n != 0 && elements <= UINT64_MAX / n ? elements * n : 0;
  }
  facts.elements = dimensions > 0 ? elements : 0;
}

}  // namespace rt
