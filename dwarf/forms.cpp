// Reading attribute values by their forms.
#include "dwarf/forms.h"

namespace rt {

namespace {

using Kind = FormValue::Kind;

// The kind and size of each form whose value is a fixed number of bytes.
struct FixedForm {
  Kind kind;
  int size;
};

// 0 for the forms of another size: an address's, an offset's, LEB128, or
// none at all.
FixedForm Fixed(std::uint64_t form) {
  switch (form) {
    case kFormData1:
    case kFormFlag:
      return {Kind::kConstant, 1};
    case kFormData2:
      return {Kind::kConstant, 2};
    case kFormData4:
      return {Kind::kConstant, 4};
    case kFormData8:
      return {Kind::kConstant, 8};
    case kFormRef1:
      return {Kind::kReference, 1};
    case kFormRef2:
      return {Kind::kReference, 2};
    case kFormRef4:
      return {Kind::kReference, 4};
    case kFormRef8:
      return {Kind::kReference, 8};
    case kFormRefSig8:
      return {Kind::kSignature, 8};
    case kFormRefSup4:
      return {Kind::kElsewhere, 4};
    case kFormRefSup8:
      return {Kind::kElsewhere, 8};
    case kFormStrx1:
      return {Kind::kStringIndex, 1};
    case kFormStrx2:
      return {Kind::kStringIndex, 2};
    case kFormStrx3:
      return {Kind::kStringIndex, 3};
    case kFormStrx4:
      return {Kind::kStringIndex, 4};
    case kFormAddrx1:
      return {Kind::kAddressIndex, 1};
    case kFormAddrx2:
      return {Kind::kAddressIndex, 2};
    case kFormAddrx3:
      return {Kind::kAddressIndex, 3};
    case kFormAddrx4:
      return {Kind::kAddressIndex, 4};
    default:
      return {Kind::kNone, 0};
  }
}

// The kind of each form whose value is an unsigned LEB128 number.
bool Leb128Kind(std::uint64_t form, Kind& kind) {
  switch (form) {
    case kFormUdata:
      kind = Kind::kConstant;
      return true;
    case kFormRefUdata:
      kind = Kind::kReference;
      return true;
    case kFormStrx:
    case kFormGnuStrIndex:
      kind = Kind::kStringIndex;
      return true;
    case kFormAddrx:
    case kFormGnuAddrIndex:
      kind = Kind::kAddressIndex;
      return true;
    case kFormRnglistx:
    case kFormLoclistx:
      kind = Kind::kListIndex;
      return true;
    default:
      return false;
  }
}

// The kind of each form whose value is a section offset of the unit's format.
bool OffsetKind(std::uint64_t form, Kind& kind) {
  switch (form) {
    case kFormSecOffset:
      kind = Kind::kSectionOffset;
      return true;
    case kFormStrp:
      kind = Kind::kStringOffset;
      return true;
    case kFormLineStrp:
      kind = Kind::kLineStringOffset;
      return true;
    case kFormStrpSup:
    case kFormGnuRefAlt:
    case kFormGnuStrpAlt:
      kind = Kind::kElsewhere;
      return true;
    default:
      return false;
  }
}

// The number of bytes of each block form, read before them; false for a
// form of another kind.
bool BlockLength(DwarfCursor& cursor, std::uint64_t form, std::uint64_t& length) {
  switch (form) {
    case kFormBlock1:
      return length = cursor.ReadUnsigned(1), true;
    case kFormBlock2:
      return length = cursor.ReadUnsigned(2), true;
    case kFormBlock4:
      return length = cursor.ReadUnsigned(4), true;
    case kFormBlock:
    case kFormExprloc:
      return length = cursor.ReadULEB128(), true;
    default:
      return false;
  }
}

}  // namespace

bool ReadForm(DwarfCursor& cursor, std::uint64_t form, const UnitShape& unit, std::int64_t implicit,
              FormValue& value) {
  value = FormValue();
  auto take = [&](Kind kind, std::uint64_t v) {
    value.kind = kind;
    value.value = v;
    return true;
  };
  FixedForm fixed = Fixed(form);
  if (fixed.size != 0) return take(fixed.kind, cursor.ReadUnsigned(fixed.size));
  Kind kind;
  if (Leb128Kind(form, kind)) return take(kind, cursor.ReadULEB128());
  if (OffsetKind(form, kind)) return take(kind, cursor.ReadUnsigned(unit.offset_size));
  switch (form) {
    case kFormAddr:
      return take(Kind::kAddress, cursor.ReadUnsigned(unit.address_size));
    case kFormSdata:
      return take(Kind::kConstant, static_cast<std::uint64_t>(cursor.ReadLEB128()));
    case kFormImplicitConst:
      return take(Kind::kConstant, static_cast<std::uint64_t>(implicit));
    case kFormFlagPresent:
      return take(Kind::kConstant, 1);
    case kFormRefAddr:
      // An address's size in version 2, an offset's from version 3 on.
      return take(Kind::kInfoReference,
                  cursor.ReadUnsigned(unit.version <= 2 ? unit.address_size : unit.offset_size));
    case kFormString: {
      std::uint64_t at = static_cast<std::uint64_t>(unit.offset + cursor.Pos());
      cursor.ReadString();
      return take(Kind::kString, at);
    }
    case kFormIndirect: {
      // The form itself is in the entry; one level only, so that a chain of
      // indirections cannot go on.
      std::uint64_t actual = cursor.ReadULEB128();
      if (actual == kFormIndirect || actual == kFormImplicitConst) return false;
      return ReadForm(cursor, actual, unit, implicit, value);
    }
    case kFormData16:
      cursor.Skip(16);
      return true;
    default:
      break;
  }
  // A block is kept by where it lies: an expression is read there.
  std::uint64_t length = 0;
  if (!BlockLength(cursor, form, length)) return false;
  value.length = length;
  take(Kind::kBlock, static_cast<std::uint64_t>(unit.offset + cursor.Pos()));
  cursor.Skip(length);
  return true;
}

}  // namespace rt
