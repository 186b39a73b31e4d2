// The tags and attributes of debugging entries that the readers of
// .debug_info look at; every other one is passed over by its form.
#pragma once

#include <cstdint>

namespace rt {

enum EntryTag : std::uint32_t {
  kTagClass = 0x02,
  kTagLexicalBlock = 0x0b,
  kTagStructure = 0x13,
  kTagUnion = 0x17,
  kTagInlinedSubroutine = 0x1d,
  kTagModule = 0x1e,
  kTagSubprogram = 0x2e,
  kTagInterface = 0x38,
  kTagNamespace = 0x39,
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
  kAttrName = 0x03,
  kAttrStmtList = 0x10,
  kAttrLowPc = 0x11,
  kAttrHighPc = 0x12,
  kAttrCompDir = 0x1b,
  kAttrAbstractOrigin = 0x31,
  kAttrSpecification = 0x47,
  kAttrRanges = 0x55,
  kAttrCallColumn = 0x57,
  kAttrCallFile = 0x58,
  kAttrCallLine = 0x59,
  kAttrStrOffsetsBase = 0x72,
  kAttrAddrBase = 0x73,
  kAttrRnglistsBase = 0x74,
  kAttrLoclistsBase = 0x8c,
  kAttrLinkageName = 0x6e,
  kAttrMipsLinkageName = 0x2007,
  kAttrGnuAddrBase = 0x2133,
};

}  // namespace rt
