// The tags, attributes and encodings that the readers of variables and
// types look at, beyond those of functions and scopes.
#pragma once

#include <cstdint>

namespace rt {

enum VariableTag : std::uint32_t {
  kTagArrayType = 0x01,
  kTagEnumerationType = 0x04,
  kTagFormalParameter = 0x05,
  kTagMember = 0x0d,
  kTagPointerType = 0x0f,
  kTagReferenceType = 0x10,
  kTagTypedef = 0x16,
  kTagSubrangeType = 0x21,
  kTagInheritance = 0x1c,
  kTagBaseType = 0x24,
  kTagConstType = 0x26,
  kTagEnumerator = 0x28,
  kTagVariable = 0x34,
  kTagVolatileType = 0x35,
  kTagRestrictType = 0x37,
  kTagNullptrType = 0x3b,  // named, and nothing more
  kTagRvalueReferenceType = 0x42,
  kTagAtomicType = 0x47,
  kTagCallSite = 0x48,
  kTagCallSiteParameter = 0x49,
  kTagGnuCallSite = 0x4109,
  kTagGnuCallSiteParameter = 0x410a,
};

enum VariableAttribute : std::uint64_t {
  kAttrLocation = 0x02,
  kAttrByteSize = 0x0b,
  kAttrBitSize = 0x0d,
  kAttrConstValue = 0x1c,
  kAttrLowerBound = 0x22,
  kAttrUpperBound = 0x2f,
  kAttrCount = 0x37,
  kAttrDataMemberLocation = 0x38,
  kAttrDeclaration = 0x3c,
  kAttrDeclLine = 0x3b,
  kAttrEncoding = 0x3e,
  kAttrExternal = 0x3f,
  kAttrFrameBase = 0x40,
  kAttrType = 0x49,
  kAttrSignature = 0x69,
  kAttrDeclarationOf = 0x47,  // a definition's declaration
  kAttrDataBitOffset = 0x6b,
  kAttrCallReturnPc = 0x7d,
  kAttrCallValue = 0x7e,
  kAttrGnuCallSiteValue = 0x2111,
};

enum BaseEncoding : std::uint64_t {
  kEncodingAddress = 0x01,
  kEncodingBoolean = 0x02,
  kEncodingFloat = 0x04,
  kEncodingSigned = 0x05,
  kEncodingSignedChar = 0x06,
  kEncodingUnsigned = 0x07,
  kEncodingUnsignedChar = 0x08,
  kEncodingUtf = 0x10,
};

}  // namespace rt
