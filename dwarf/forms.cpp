// Reading attribute values by their forms.
#include "dwarf/forms.h"

namespace rt {

using Kind = FormValue::Kind;

bool ReadForm(DwarfCursor& cursor, std::uint64_t form, const UnitShape& unit, std::int64_t implicit,
              FormValue& value) {
  value = FormValue();
  auto take = [&](Kind kind, std::uint64_t v) {
    value.kind = kind;
    value.value = v;
    return true;
  };
  switch (form) {
    case kFormAddr:
      return take(Kind::kAddress, cursor.ReadUnsigned(unit.address_size));
    case kFormAddrx:
    case kFormGnuAddrIndex:
      return take(Kind::kAddressIndex, cursor.ReadULEB128());
    case kFormAddrx1:
      return take(Kind::kAddressIndex, cursor.ReadUnsigned(1));
    case kFormAddrx2:
      return take(Kind::kAddressIndex, cursor.ReadUnsigned(2));
    case kFormAddrx3:
      return take(Kind::kAddressIndex, cursor.ReadUnsigned(3));
    case kFormAddrx4:
      return take(Kind::kAddressIndex, cursor.ReadUnsigned(4));
    case kFormData1:
    case kFormRef1:
    case kFormFlag:
    case kFormStrx1:
      return take(Kind::kConstant, cursor.ReadUnsigned(1));
    case kFormData2:
    case kFormRef2:
    case kFormStrx2:
      return take(Kind::kConstant, cursor.ReadUnsigned(2));
    case kFormStrx3:
      return take(Kind::kConstant, cursor.ReadUnsigned(3));
    case kFormData4:
    case kFormRef4:
    case kFormRefSup4:
    case kFormStrx4:
      return take(Kind::kConstant, cursor.ReadUnsigned(4));
    case kFormData8:
    case kFormRef8:
    case kFormRefSig8:
    case kFormRefSup8:
      return take(Kind::kConstant, cursor.ReadUnsigned(8));
    case kFormUdata:
    case kFormRefUdata:
    case kFormStrx:
    case kFormGnuStrIndex:
    case kFormLoclistx:
      return take(Kind::kConstant, cursor.ReadULEB128());
    case kFormSdata:
      return take(Kind::kConstant, static_cast<std::uint64_t>(cursor.ReadLEB128()));
    case kFormImplicitConst:
      return take(Kind::kConstant, static_cast<std::uint64_t>(implicit));
    case kFormRnglistx:
      return take(Kind::kListIndex, cursor.ReadULEB128());
    case kFormSecOffset:
    case kFormStrp:
    case kFormLineStrp:
    case kFormStrpSup:
    case kFormGnuRefAlt:
    case kFormGnuStrpAlt:
      return take(Kind::kOffset, cursor.ReadUnsigned(unit.offset_size));
    case kFormRefAddr:
      // An address's size in version 2, an offset's from version 3 on.
      return take(Kind::kOffset,
                  cursor.ReadUnsigned(unit.version <= 2 ? unit.address_size : unit.offset_size));
    case kFormFlagPresent:
      return take(Kind::kConstant, 1);
    case kFormString:
      cursor.ReadString();
      return true;
    case kFormData16:
      cursor.Skip(16);
      return true;
    case kFormBlock1:
      cursor.Skip(cursor.ReadUnsigned(1));
      return true;
    case kFormBlock2:
      cursor.Skip(cursor.ReadUnsigned(2));
      return true;
    case kFormBlock4:
      cursor.Skip(cursor.ReadUnsigned(4));
      return true;
    case kFormBlock:
    case kFormExprloc:
      cursor.Skip(cursor.ReadULEB128());
      return true;
    case kFormIndirect: {
      // The form itself is in the entry; one level only, so that a chain of
      // indirections cannot go on.
      std::uint64_t actual = cursor.ReadULEB128();
      if (actual == kFormIndirect || actual == kFormImplicitConst) return false;
      return ReadForm(cursor, actual, unit, implicit, value);
    }
    default:
      return false;
  }
}

}  // namespace rt
