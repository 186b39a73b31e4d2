// Pointers as call-frame information stores them: an encoding byte names
// the value's format (low four bits) and what it counts from (the next
// three); the top bit marks a pointer to the value rather than the value.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"

namespace rt {

inline constexpr std::uint8_t kPointerOmitted = 0xFF;   // DW_EH_PE_omit: no field at all
inline constexpr std::uint8_t kPointerIndirect = 0x80;  // DW_EH_PE_indirect
inline constexpr std::uint8_t kPointerAbsolute = 0x00;  // DW_EH_PE_absptr

// Where the window of the cursor lies in memory, the bytes of the module's
// addresses (the size of an absolute pointer), and the data base that
// data-relative pointers count from, where the section has one.
struct PointerBases {
  std::uint64_t window_address = 0;  // the address of the window's position 0
  int address_size = 0;
  std::uint64_t data = 0;
  bool has_data = false;
};

// Reads a pointer of the encoding at the cursor. An indirect pointer gives
// the address where the value lies, unfollowed. False for an encoding this
// reader does not take (text- and function-relative pointers, which no
// producer uses in these sections, and formats that do not exist) and for
// data that ran out.
bool ReadEncodedPointer(DwarfCursor& cursor, std::uint8_t encoding, const PointerBases& bases,
                        std::uint64_t& value);

// A value of the encoding's format alone, counted from nothing: an FDE's
// address range is stored so.
bool ReadEncodedValue(DwarfCursor& cursor, std::uint8_t encoding, int address_size,
                      std::uint64_t& value);

// The bytes of the encoding's field where its format has a fixed size (an
// absolute pointer has the module's address size); 0 for LEB128 formats and
// encodings this reader does not take.
int EncodedPointerSize(std::uint8_t encoding, int address_size);

}  // namespace rt
