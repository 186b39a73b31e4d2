// Reading attribute values by their forms.
#include "dwarf/forms.h"

namespace rt {

using Kind = FormValue::Kind;

bool ReadForm(LineReader& reader, std::uint64_t form, const UnitShape& unit, std::int64_t implicit,
              FormValue& value) {
  value = FormValue();
  auto take = [&](Kind kind, std::uint64_t v) {
    value.kind = kind;
    value.value = v;
    return true;
  };
  switch (form) {
    case kFormAddr:
      return take(Kind::kAddress, reader.ReadUnsigned(unit.address_size));
    case kFormAddrx:
    case kFormGnuAddrIndex:
      return take(Kind::kAddressIndex, reader.ReadULEB128());
    case kFormAddrx1:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(1));
    case kFormAddrx2:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(2));
    case kFormAddrx3:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(3));
    case kFormAddrx4:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(4));
    case kFormData1:
    case kFormRef1:
    case kFormFlag:
    case kFormStrx1:
      return take(Kind::kConstant, reader.ReadUnsigned(1));
    case kFormData2:
    case kFormRef2:
    case kFormStrx2:
      return take(Kind::kConstant, reader.ReadUnsigned(2));
    case kFormStrx3:
      return take(Kind::kConstant, reader.ReadUnsigned(3));
    case kFormData4:
    case kFormRef4:
    case kFormRefSup4:
    case kFormStrx4:
      return take(Kind::kConstant, reader.ReadUnsigned(4));
    case kFormData8:
    case kFormRef8:
    case kFormRefSig8:
    case kFormRefSup8:
      return take(Kind::kConstant, reader.ReadUnsigned(8));
    case kFormUdata:
    case kFormRefUdata:
    case kFormStrx:
    case kFormGnuStrIndex:
    case kFormLoclistx:
      return take(Kind::kConstant, reader.ReadULEB128());
    case kFormSdata:
      return take(Kind::kConstant, static_cast<std::uint64_t>(reader.ReadLEB128()));
    case kFormImplicitConst:
      return take(Kind::kConstant, static_cast<std::uint64_t>(implicit));
    case kFormRnglistx:
      return take(Kind::kListIndex, reader.ReadULEB128());
    case kFormSecOffset:
    case kFormStrp:
    case kFormLineStrp:
    case kFormStrpSup:
    case kFormGnuRefAlt:
    case kFormGnuStrpAlt:
      return take(Kind::kOffset, reader.ReadUnsigned(unit.offset_size));
    case kFormRefAddr:
      // An address's size in version 2, an offset's from version 3 on.
      return take(Kind::kOffset,
                  reader.ReadUnsigned(unit.version <= 2 ? unit.address_size : unit.offset_size));
    case kFormFlagPresent:
      return take(Kind::kConstant, 1);
    case kFormString:
      reader.ReadString();
      return true;
    case kFormData16:
      reader.Skip(16);
      return true;
    case kFormBlock1:
      reader.Skip(reader.ReadUnsigned(1));
      return true;
    case kFormBlock2:
      reader.Skip(reader.ReadUnsigned(2));
      return true;
    case kFormBlock4:
      reader.Skip(reader.ReadUnsigned(4));
      return true;
    case kFormBlock:
    case kFormExprloc:
      reader.Skip(reader.ReadULEB128());
      return true;
    case kFormIndirect: {
      // The form itself is in the entry; one level only, so that a chain of
      // indirections cannot go on.
      std::uint64_t actual = reader.ReadULEB128();
      if (actual == kFormIndirect || actual == kFormImplicitConst) return false;
      return ReadForm(reader, actual, unit, implicit, value);
    }
    default:
      return false;
  }
}

}  // namespace rt
