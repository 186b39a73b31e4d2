// The tags, attributes and base type encodings of debugging entries that
// the readers of .debug_info look at; every other one is passed over by
// its form.
#pragma once

#include <cstdint>

namespace rt {

enum EntryTag : std::uint32_t {
  kTagArrayType = 0x01,
  kTagClass = 0x02,
  kTagEnumerationType = 0x04,
  kTagFormalParameter = 0x05,
  kTagLexicalBlock = 0x0b,
  kTagMember = 0x0d,
  kTagPointerType = 0x0f,
  kTagReferenceType = 0x10,
  kTagStructure = 0x13,
  kTagTypedef = 0x16,
  kTagUnion = 0x17,
  kTagInheritance = 0x1c,
  kTagInlinedSubroutine = 0x1d,
  kTagModule = 0x1e,
  kTagSubrangeType = 0x21,
  kTagBaseType = 0x24,
  kTagConstType = 0x26,
  kTagEnumerator = 0x28,
  kTagSubprogram = 0x2e,
  kTagVariable = 0x34,
  kTagVolatileType = 0x35,
  kTagRestrictType = 0x37,
  kTagInterface = 0x38,
  kTagNamespace = 0x39,
  kTagNullptrType = 0x3b,  // named, and nothing more
  kTagRvalueReferenceType = 0x42,
  kTagAtomicType = 0x47,
  kTagCallSite = 0x48,
  kTagCallSiteParameter = 0x49,
  kTagGnuCallSite = 0x4109,
  kTagGnuCallSiteParameter = 0x410a,
};

// Entries whose children may be functions, and whose names qualify the
// names declared inside them: a function is defined inside its namespace
// or class as well as at the unit's top.
inline bool IsScope(std::uint32_t tag) {
  return tag == kTagNamespace || tag == kTagClass || tag == kTagStructure || tag == kTagUnion ||
         tag == kTagModule || tag == kTagInterface;
}

enum EntryAttribute : std::uint64_t {
  kAttrSibling = 0x01,
  kAttrLocation = 0x02,
  kAttrName = 0x03,
  kAttrByteSize = 0x0b,
  kAttrBitSize = 0x0d,
  kAttrStmtList = 0x10,
  kAttrLowPc = 0x11,
  kAttrHighPc = 0x12,
  kAttrCompDir = 0x1b,
  kAttrConstValue = 0x1c,
  kAttrLowerBound = 0x22,
  kAttrUpperBound = 0x2f,
  kAttrAbstractOrigin = 0x31,
  kAttrCount = 0x37,
  kAttrDataMemberLocation = 0x38,
  kAttrDeclLine = 0x3b,
  kAttrDeclaration = 0x3c,
  kAttrEncoding = 0x3e,
  kAttrExternal = 0x3f,
  kAttrFrameBase = 0x40,
  kAttrSpecification = 0x47,  // a definition's declaration
  kAttrType = 0x49,
  kAttrRanges = 0x55,
  kAttrCallColumn = 0x57,
  kAttrCallFile = 0x58,
  kAttrCallLine = 0x59,
  kAttrSignature = 0x69,
  kAttrDataBitOffset = 0x6b,
  kAttrLinkageName = 0x6e,
  kAttrStrOffsetsBase = 0x72,
  kAttrAddrBase = 0x73,
  kAttrRnglistsBase = 0x74,
  kAttrCallReturnPc = 0x7d,
  kAttrCallValue = 0x7e,
  kAttrLoclistsBase = 0x8c,
  kAttrMipsLinkageName = 0x2007,
  kAttrGnuCallSiteValue = 0x2111,
  kAttrGnuAddrBase = 0x2133,
};

// How a base type's value is held.
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
