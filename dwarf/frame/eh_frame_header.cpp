// The binary-search table of .eh_frame_hdr.
#include "dwarf/frame/eh_frame_header.h"

#include "dwarf/frame/call_frames.h"
#include "dwarf/frame/frame_pointers.h"

namespace rt {

namespace {

constexpr int kHeaderVersion = 1;
// A probe reads one entry: a large read would copy bytes never looked at.
constexpr std::int64_t kProbeReadSize = 16;

// Pointers in the header count from the header's own start.
PointerBases HeaderBases(std::uint64_t header_address, int address_size) {
  return {header_address, address_size, header_address, true};
}

// One field of entry index: 0 the initial location, 1 the FDE's address.
bool ReadTableField(DwarfCursor& cursor, const EhFrameHeader& header, std::uint64_t header_address,
                    std::uint64_t index, int field, std::uint64_t& value) {
  std::int64_t at = header.table + static_cast<std::int64_t>(index) * header.entry_size +
                    field * (header.entry_size / 2);
  cursor.Seek(at);
  return ReadEncodedPointer(cursor, header.table_encoding,
                            HeaderBases(header_address, header.address_size), value);
}

}  // namespace

bool ReadEhFrameHeader(DwarfCursor& cursor, std::uint64_t header_address, int address_size,
                       EhFrameHeader& header) {
  header = EhFrameHeader();
  header.address_size = address_size;
  if (cursor.source() == nullptr) return false;
  cursor.Init(0, cursor.source()->Size());
  int version = cursor.ReadNext();
  int frames_encoding = cursor.ReadNext();
  int count_encoding = cursor.ReadNext();
  int table_encoding = cursor.ReadNext();
  if (version != kHeaderVersion || table_encoding < 0) return false;
  PointerBases bases = HeaderBases(header_address, address_size);
  if (frames_encoding == kPointerOmitted || (frames_encoding & kPointerIndirect) != 0 ||
      !ReadEncodedPointer(cursor, static_cast<std::uint8_t>(frames_encoding), bases,
                          header.frames_address)) {
    return false;
  }
  int entry_field = EncodedPointerSize(static_cast<std::uint8_t>(table_encoding), address_size);
  if (count_encoding == kPointerOmitted || table_encoding == kPointerOmitted ||
      (table_encoding & kPointerIndirect) != 0 || entry_field == 0) {
    return true;  // no table to search: .eh_frame is walked instead
  }
  std::uint64_t count = 0;
  if ((count_encoding & kPointerIndirect) != 0 ||
      !ReadEncodedPointer(cursor, static_cast<std::uint8_t>(count_encoding), bases, count)) {
    return false;
  }
  header.table = cursor.Pos();
  header.table_encoding = static_cast<std::uint8_t>(table_encoding);
  header.entry_size = 2 * entry_field;
  // The stated count must fit the bytes after it.
  std::uint64_t room = static_cast<std::uint64_t>(cursor.Limit() - header.table);
  if (count > room / static_cast<std::uint64_t>(header.entry_size)) return false;
  header.count = count;
  return true;
}

TableSearch SearchEhFrameTable(DwarfCursor& cursor, const EhFrameHeader& header,
                               std::uint64_t header_address, std::uint64_t pc,
                               std::uint64_t& fde_address) {
  cursor.SetReadSize(kProbeReadSize);
  // The first entry above pc, in at most 64 halvings.
  std::uint64_t low = 0, high = header.count;
  while (low < high) {
    std::uint64_t middle = low + (high - low) / 2;
    std::uint64_t location;
    if (!ReadTableField(cursor, header, header_address, middle, 0, location)) {
      return TableSearch::kUnreadable;
    }
    if (location <= pc) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low == 0) return TableSearch::kBelowAll;
  if (!ReadTableField(cursor, header, header_address, low - 1, 1, fde_address)) {
    return TableSearch::kUnreadable;
  }
  return TableSearch::kFound;
}

bool ReadEhFrameStart(ByteSource& header, std::uint64_t header_address, int address_size,
                      std::uint64_t& frames_address) {
  DwarfCursor cursor;
  cursor.Bind(&header);
  cursor.SetReadSize(kProbeReadSize);
  EhFrameHeader read;
  if (!ReadEhFrameHeader(cursor, header_address, address_size, read)) return false;
  frames_address = read.frames_address;
  return true;
}

}  // namespace rt
