// Attribute forms of debugging entries: how many bytes each takes, and the
// value of those that hold a number, an address or an index.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"

namespace rt {

// The attribute forms of debugging entries and of line-table entry formats.
enum Form : std::uint64_t {
  kFormAddr = 0x01,
  kFormBlock2 = 0x03,
  kFormBlock4 = 0x04,
  kFormData2 = 0x05,
  kFormData4 = 0x06,
  kFormData8 = 0x07,
  kFormString = 0x08,
  kFormBlock = 0x09,
  kFormBlock1 = 0x0a,
  kFormData1 = 0x0b,
  kFormFlag = 0x0c,
  kFormSdata = 0x0d,
  kFormStrp = 0x0e,
  kFormUdata = 0x0f,
  kFormRefAddr = 0x10,
  kFormRef1 = 0x11,
  kFormRef2 = 0x12,
  kFormRef4 = 0x13,
  kFormRef8 = 0x14,
  kFormRefUdata = 0x15,
  kFormIndirect = 0x16,
  kFormSecOffset = 0x17,
  kFormExprloc = 0x18,
  kFormFlagPresent = 0x19,
  kFormStrx = 0x1a,
  kFormAddrx = 0x1b,
  kFormRefSup4 = 0x1c,
  kFormStrpSup = 0x1d,
  kFormData16 = 0x1e,
  kFormLineStrp = 0x1f,
  kFormRefSig8 = 0x20,
  kFormImplicitConst = 0x21,
  kFormLoclistx = 0x22,
  kFormRnglistx = 0x23,
  kFormRefSup8 = 0x24,
  kFormStrx1 = 0x25,
  kFormStrx2 = 0x26,
  kFormStrx3 = 0x27,
  kFormStrx4 = 0x28,
  kFormAddrx1 = 0x29,
  kFormAddrx2 = 0x2a,
  kFormAddrx3 = 0x2b,
  kFormAddrx4 = 0x2c,
  kFormGnuAddrIndex = 0x1f01,
  kFormGnuStrIndex = 0x1f02,
  kFormGnuRefAlt = 0x1f20,
  kFormGnuStrpAlt = 0x1f21,
};

// What a unit's header says about the sizes of its fields, and where the
// unit lies.
struct UnitShape {
  std::uint16_t version = 0;
  std::uint8_t offset_size = 4;  // 8 in the 64-bit format
  std::uint8_t address_size = 8;
  // The unit's first byte in its section: a string held in an entry is
  // found by it.
  std::int64_t offset = 0;
};

// An attribute's value, of the kind its form says it is: what the value
// means (and which table an offset or index leads into) depends on it.
struct FormValue {
  enum class Kind {
    kNone,              // 16 bytes of data: not kept
    kBlock,             // block, exprloc: the offset of its first byte in the section read
    kConstant,          // data, udata, sdata, flag, implicit_const
    kAddress,           // addr
    kAddressIndex,      // addrx: an entry of the unit's part of .debug_addr
    kString,            // string: the offset of its first byte in .debug_info
    kStringOffset,      // strp: an offset in .debug_str
    kLineStringOffset,  // line_strp: an offset in .debug_line_str
    kStringIndex,       // strx: an entry of the unit's part of .debug_str_offsets
    kReference,         // ref1 to ref8, ref_udata: an offset from the unit's first byte
    kInfoReference,     // ref_addr: an offset in .debug_info
    kSignature,         // ref_sig8: the signature of a type unit
    kSectionOffset,     // sec_offset: an offset in the section the attribute reads
    kListIndex,         // rnglistx, loclistx: an entry of the unit's list table
    kElsewhere,         // an offset into a supplementary file, which is not read
  };
  Kind kind = Kind::kNone;
  std::uint64_t value = 0;
  std::uint64_t length = 0;  // kBlock: its bytes
};

// Reads one attribute's value of the form (implicit: the value an abbreviation
// holds for DW_FORM_implicit_const); a value no one asks for is passed over
// the same way. False for a form this reader does not know, which leaves the
// rest of the entry unreadable.
bool ReadForm(DwarfCursor& cursor, std::uint64_t form, const UnitShape& unit, std::int64_t implicit,
              FormValue& value);

}  // namespace rt
