// The entries of .eh_frame: CIEs, which hold what a group of FDEs share (the
// alignment factors, the return-address column, the augmentation and the
// initial instructions), and FDEs, each of which describes one range of
// code. Offsets are the section's own.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/frame/frame_pointers.h"

namespace rt {

struct CommonInformation {
  std::uint64_t code_alignment = 1;
  std::int64_t data_alignment = 1;
  std::uint64_t return_column = 0;
  std::uint8_t fde_encoding = kPointerAbsolute;  // 'R'
  bool has_augmentation_data = false;            // 'z': FDEs carry a length of their own
  bool signal_frame = false;                     // 'S'
  std::int64_t instructions = 0, instructions_end = 0;
};

struct FrameDescription {
  std::int64_t offset = 0;
  std::uint64_t pc_begin = 0, pc_end = 0;  // the code described: [pc_begin, pc_end)
  std::int64_t instructions = 0, instructions_end = 0;
  CommonInformation cie;
};

// .eh_frame as the reader sees it: its bytes, where they lie and the bytes
// of an address in its module.
struct FrameSection {
  ByteSource* source = nullptr;
  std::uint64_t address = 0;
  int address_size = 0;
};

enum class EntryKind {
  kDescription,  // an FDE, read with its CIE
  kCommon,       // a CIE
  kEnd,          // the zero length that ends the section, or its end
  kMalformed,
};

// Reads the entry at offset; next is the offset of the entry after it.
EntryKind ReadFrameEntry(DwarfCursor& cursor, const FrameSection& frames, std::int64_t offset,
                         FrameDescription& fde, std::int64_t& next);

enum class EntrySearch { kFound, kNotCovered, kMalformed };

// The FDE at offset (where the search table points), if it covers pc.
EntrySearch ReadCoveringEntry(DwarfCursor& cursor, const FrameSection& frames, std::int64_t offset,
                              std::uint64_t pc, FrameDescription& fde);
// The first FDE that covers pc, entry by entry from the section's start:
// for a module whose header has no search table.
EntrySearch ScanFrameEntries(DwarfCursor& cursor, const FrameSection& frames, std::uint64_t pc,
                             FrameDescription& fde);

}  // namespace rt
