// CIEs and FDEs of .eh_frame, with the augmentations the compilers and the
// C library write.
#include "dwarf/frame/frame_entries.h"

#include "base/text.h"

namespace rt {

namespace {

// An entry is read in one or two small runs; a full buffer would copy
// bytes the next entry seldom needs.
constexpr std::int64_t kEntryReadSize = 256;
constexpr std::uint64_t kCieId = 0;

bool StartsWith(const Text& text, char a, char b) {
  return text.length >= 2 && text.bytes[0] == a && text.bytes[1] == b;
}

// The letters of a 'z' augmentation and their data, to its stated end.
// Letters after one this reader does not know are left unread: the stated
// length still says where the data ends.
bool ReadAugmentationData(DwarfCursor& cursor, const Text& augmentation, std::int64_t from,
                          const PointerBases& bases, CommonInformation& cie) {
  std::uint64_t length = cursor.ReadULEB128();
  std::int64_t start = cursor.Pos();
  if (!cursor.ok() || length > static_cast<std::uint64_t>(cursor.Limit() - start)) return false;
  for (std::int64_t i = from; i < augmentation.length; ++i) {
    char letter = augmentation.bytes[i];
    std::uint64_t ignored;
    if (letter == 'R') {
      cie.fde_encoding = static_cast<std::uint8_t>(cursor.ReadNext());
    } else if (letter == 'L') {
      cursor.ReadNext();  // the LSDA's encoding: FDEs' data is skipped by its length
    } else if (letter == 'P') {
      int encoding = cursor.ReadNext();
      if (encoding < 0 ||
          !ReadEncodedPointer(cursor, static_cast<std::uint8_t>(encoding), bases, ignored)) {
        return false;
      }
    } else if (letter == 'S') {
      cie.signal_frame = true;
    } else if (letter != 'B' && letter != 'G') {  // branch-target and tagged frames: no data
      break;
    }
  }
  if (!cursor.ok() || cursor.Pos() > start + static_cast<std::int64_t>(length)) return false;
  cursor.Seek(start + static_cast<std::int64_t>(length));
  cie.has_augmentation_data = true;
  return true;
}

// The CIE whose fields follow its id; the cursor's window is the CIE.
bool ReadCommonInformation(DwarfCursor& cursor, const PointerBases& bases, CommonInformation& cie) {
  cie = CommonInformation();
  int version = cursor.ReadNext();
  if (version != 1 && version != 3 && version != 4) return false;
  Text augmentation = cursor.ReadString();
  std::int64_t letters = 0;
  // The "eh" augmentation carries an address-sized word before the factors.
  if (StartsWith(augmentation, 'e', 'h')) {
    cursor.Skip(bases.address_size);
    letters = 2;
  }
  if (version == 4) {
    int address_size = cursor.ReadNext();
    int segment_size = cursor.ReadNext();
    if (address_size != bases.address_size || segment_size != 0) return false;
  }
  cie.code_alignment = cursor.ReadULEB128();
  cie.data_alignment = cursor.ReadLEB128();
  cie.return_column =
      version == 1 ? static_cast<std::uint64_t>(cursor.ReadNext()) : cursor.ReadULEB128();
  if (!cursor.ok()) return false;
  if (letters < augmentation.length) {
    // Without 'z' the reader cannot know where unknown letters' data ends.
    if (augmentation.bytes[letters] != 'z' ||
        !ReadAugmentationData(cursor, augmentation, letters + 1, bases, cie)) {
      return false;
    }
  }
  cie.instructions = cursor.Pos();
  cie.instructions_end = cursor.Limit();
  return true;
}

// Frames the entry at offset; false when its length cannot be read or
// reaches past the section.
bool EnterEntry(DwarfCursor& cursor, std::int64_t offset, UnitExtent& extent) {
  return cursor.EnterUnit(offset, cursor.source()->Size(), extent) && !extent.cut_short;
}

bool ReadCieAt(DwarfCursor& cursor, const FrameSection& frames, std::int64_t offset,
               CommonInformation& cie) {
  UnitExtent extent;
  if (!EnterEntry(cursor, offset, extent) || cursor.ReadOffset() != kCieId) return false;
  PointerBases bases{frames.address + static_cast<std::uint64_t>(offset), frames.address_size};
  if (!ReadCommonInformation(cursor, bases, cie)) return false;
  cie.instructions += offset;
  cie.instructions_end += offset;
  return true;
}

// The FDE's fields after its CIE pointer; the cursor's window is the FDE.
bool ReadDescription(DwarfCursor& cursor, const FrameSection& frames, std::int64_t offset,
                     FrameDescription& fde) {
  PointerBases bases{frames.address + static_cast<std::uint64_t>(offset), frames.address_size};
  std::uint64_t range;
  if ((fde.cie.fde_encoding & kPointerIndirect) != 0 ||
      !ReadEncodedPointer(cursor, fde.cie.fde_encoding, bases, fde.pc_begin) ||
      !ReadEncodedValue(cursor, fde.cie.fde_encoding, frames.address_size, range)) {
    return false;
  }
  fde.pc_end = fde.pc_begin + range;
  if (fde.pc_end < fde.pc_begin) return false;
  if (fde.cie.has_augmentation_data) cursor.Skip(cursor.ReadULEB128());
  fde.offset = offset;
  fde.instructions = offset + cursor.Pos();
  fde.instructions_end = offset + cursor.Limit();
  return cursor.ok();
}

}  // namespace

EntryKind ReadFrameEntry(DwarfCursor& cursor, const FrameSection& frames, std::int64_t offset,
                         FrameDescription& fde, std::int64_t& next) {
  next = offset;
  if (frames.source == nullptr || offset < 0 || offset >= frames.source->Size()) {
    return EntryKind::kEnd;
  }
  cursor.SetReadSize(kEntryReadSize);
  UnitExtent extent;
  if (!EnterEntry(cursor, offset, extent)) return EntryKind::kMalformed;
  next = extent.next;
  if (extent.next - extent.offset == extent.contents) return EntryKind::kEnd;  // a zero length
  std::int64_t id_at = cursor.Pos();
  std::uint64_t id = cursor.ReadOffset();
  if (!cursor.ok()) return EntryKind::kMalformed;
  if (id == kCieId) return EntryKind::kCommon;
  // The CIE pointer counts back from its own field to a CIE before it.
  std::uint64_t back = static_cast<std::uint64_t>(offset + id_at);
  if (id > back) return EntryKind::kMalformed;
  std::int64_t cie_offset = static_cast<std::int64_t>(back - id);
  if (!ReadCieAt(cursor, frames, cie_offset, fde.cie) || !EnterEntry(cursor, offset, extent)) {
    return EntryKind::kMalformed;
  }
  cursor.Seek(id_at + cursor.offset_size());
  return ReadDescription(cursor, frames, offset, fde) ? EntryKind::kDescription
                                                      : EntryKind::kMalformed;
}

EntrySearch ReadCoveringEntry(DwarfCursor& cursor, const FrameSection& frames, std::int64_t offset,
                              std::uint64_t pc, FrameDescription& fde) {
  std::int64_t next;
  if (ReadFrameEntry(cursor, frames, offset, fde, next) != EntryKind::kDescription) {
    return EntrySearch::kMalformed;
  }
  return pc >= fde.pc_begin && pc < fde.pc_end ? EntrySearch::kFound : EntrySearch::kNotCovered;
}

EntrySearch ScanFrameEntries(DwarfCursor& cursor, const FrameSection& frames, std::uint64_t pc,
                             FrameDescription& fde) {
  // Every entry moves the offset on by at least its length field.
  for (std::int64_t offset = 0;;) {
    std::int64_t next;
    EntryKind kind = ReadFrameEntry(cursor, frames, offset, fde, next);
    if (kind == EntryKind::kEnd) return EntrySearch::kNotCovered;
    if (kind == EntryKind::kMalformed) return EntrySearch::kMalformed;
    if (kind == EntryKind::kDescription && pc >= fde.pc_begin && pc < fde.pc_end) {
      return EntrySearch::kFound;
    }
    offset = next;
  }
}

}  // namespace rt
