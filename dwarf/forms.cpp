// Reading attribute values by their forms.
#include "dwarf/forms.h"

namespace rt {

namespace {

enum Form : std::uint64_t {
  kAddr = 0x01,
  kBlock2 = 0x03,
  kBlock4 = 0x04,
  kData2 = 0x05,
  kData4 = 0x06,
  kData8 = 0x07,
  kString = 0x08,
  kBlock = 0x09,
  kBlock1 = 0x0a,
  kData1 = 0x0b,
  kFlag = 0x0c,
  kSdata = 0x0d,
  kStrp = 0x0e,
  kUdata = 0x0f,
  kRefAddr = 0x10,
  kRef1 = 0x11,
  kRef2 = 0x12,
  kRef4 = 0x13,
  kRef8 = 0x14,
  kRefUdata = 0x15,
  kIndirect = 0x16,
  kSecOffset = 0x17,
  kExprloc = 0x18,
  kFlagPresent = 0x19,
  kStrx = 0x1a,
  kAddrx = 0x1b,
  kRefSup4 = 0x1c,
  kStrpSup = 0x1d,
  kData16 = 0x1e,
  kLineStrp = 0x1f,
  kRefSig8 = 0x20,
  kImplicitConst = 0x21,
  kLoclistx = 0x22,
  kRnglistx = 0x23,
  kRefSup8 = 0x24,
  kStrx1 = 0x25,
  kStrx2 = 0x26,
  kStrx3 = 0x27,
  kStrx4 = 0x28,
  kAddrx1 = 0x29,
  kAddrx2 = 0x2a,
  kAddrx3 = 0x2b,
  kAddrx4 = 0x2c,
  kGnuAddrIndex = 0x1f01,
  kGnuStrIndex = 0x1f02,
  kGnuRefAlt = 0x1f20,
  kGnuStrpAlt = 0x1f21,
};

using Kind = FormValue::Kind;

}  // namespace

bool ReadForm(LineReader& reader, std::uint64_t form, const UnitShape& unit, std::int64_t implicit,
              FormValue& value) {
  value = FormValue();
  auto take = [&](Kind kind, std::uint64_t v) {
    value.kind = kind;
    value.value = v;
    return true;
  };
  switch (form) {
    case kAddr:
      return take(Kind::kAddress, reader.ReadUnsigned(unit.address_size));
    case kAddrx:
    case kGnuAddrIndex:
      return take(Kind::kAddressIndex, reader.ReadULEB128());
    case kAddrx1:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(1));
    case kAddrx2:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(2));
    case kAddrx3:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(3));
    case kAddrx4:
      return take(Kind::kAddressIndex, reader.ReadUnsigned(4));
    case kData1:
    case kRef1:
    case kFlag:
    case kStrx1:
      return take(Kind::kConstant, reader.ReadUnsigned(1));
    case kData2:
    case kRef2:
    case kStrx2:
      return take(Kind::kConstant, reader.ReadUnsigned(2));
    case kStrx3:
      return take(Kind::kConstant, reader.ReadUnsigned(3));
    case kData4:
    case kRef4:
    case kRefSup4:
    case kStrx4:
      return take(Kind::kConstant, reader.ReadUnsigned(4));
    case kData8:
    case kRef8:
    case kRefSig8:
    case kRefSup8:
      return take(Kind::kConstant, reader.ReadUnsigned(8));
    case kUdata:
    case kRefUdata:
    case kStrx:
    case kGnuStrIndex:
    case kLoclistx:
      return take(Kind::kConstant, reader.ReadULEB128());
    case kSdata:
      return take(Kind::kConstant, static_cast<std::uint64_t>(reader.ReadLEB128()));
    case kImplicitConst:
      return take(Kind::kConstant, static_cast<std::uint64_t>(implicit));
    case kRnglistx:
      return take(Kind::kListIndex, reader.ReadULEB128());
    case kSecOffset:
    case kStrp:
    case kLineStrp:
    case kStrpSup:
    case kGnuRefAlt:
    case kGnuStrpAlt:
      return take(Kind::kOffset, reader.ReadUnsigned(unit.offset_size));
    case kRefAddr:
      // An address's size in version 2, an offset's from version 3 on.
      return take(Kind::kOffset,
                  reader.ReadUnsigned(unit.version <= 2 ? unit.address_size : unit.offset_size));
    case kFlagPresent:
      return take(Kind::kConstant, 1);
    case kString:
      reader.ReadString();
      return true;
    case kData16:
      reader.Skip(16);
      return true;
    case kBlock1:
      reader.Skip(reader.ReadUnsigned(1));
      return true;
    case kBlock2:
      reader.Skip(reader.ReadUnsigned(2));
      return true;
    case kBlock4:
      reader.Skip(reader.ReadUnsigned(4));
      return true;
    case kBlock:
    case kExprloc:
      reader.Skip(reader.ReadULEB128());
      return true;
    case kIndirect: {
      // The form itself is in the entry; one level only, so that a chain of
      // indirections cannot go on.
      std::uint64_t actual = reader.ReadULEB128();
      if (actual == kIndirect || actual == kImplicitConst) return false;
      return ReadForm(reader, actual, unit, implicit, value);
    }
    default:
      return false;
  }
}

}  // namespace rt
