// The .eh_frame_hdr section: where .eh_frame starts, and the table sorted
// by address that finds the FDE for a pc in a few reads.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"

namespace rt {

struct EhFrameHeader {
  std::uint64_t frames_address = 0;  // eh_frame_ptr
  int address_size = 0;              // of the module, as the header was read with
  // The search table: its entries, its offset in the header, how its two
  // fields are stored and the bytes of one entry. count is 0 when the header
  // has no table this reader can search (none, or one of LEB128 fields).
  std::uint64_t count = 0;
  std::int64_t table = 0;
  std::uint8_t table_encoding = 0;
  int entry_size = 0;
};

// Reads the header the cursor is bound to, of a module whose addresses have
// address_size bytes; false for one it cannot read (another version, an
// encoding it does not take, a table past its end).
bool ReadEhFrameHeader(DwarfCursor& cursor, std::uint64_t header_address, int address_size,
                       EhFrameHeader& header);

enum class TableSearch { kFound, kBelowAll, kUnreadable };

// The FDE address of the table's last entry whose initial location is at or
// below pc; kBelowAll when the first entry is above it already.
TableSearch SearchEhFrameTable(DwarfCursor& cursor, const EhFrameHeader& header,
                               std::uint64_t header_address, std::uint64_t pc,
                               std::uint64_t& fde_address);

}  // namespace rt
