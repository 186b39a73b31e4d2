// Encoded pointers of call-frame information.
#include "dwarf/frame/frame_pointers.h"

namespace rt {

namespace {

enum Format : std::uint8_t {
  kAbsolute = 0x00,  // an address-sized value
  kUleb128 = 0x01,
  kUdata2 = 0x02,
  kUdata4 = 0x03,
  kUdata8 = 0x04,
  kSleb128 = 0x09,
  kSdata2 = 0x0A,
  kSdata4 = 0x0B,
  kSdata8 = 0x0C,
};

enum Application : std::uint8_t {
  kFromNothing = 0x00,
  kPcRelative = 0x10,
  kTextRelative = 0x20,
  kDataRelative = 0x30,
  kFunctionRelative = 0x40,
  kAligned = 0x50,  // an absolute value at the next address-sized boundary
};

std::uint64_t SignExtended(std::uint64_t v, int bytes) {
  int unused = 64 - 8 * bytes;
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(v << unused) >> unused);
}

}  // namespace

int EncodedPointerSize(std::uint8_t encoding, int address_size) {
  switch (encoding & 0x0F) {
    case kAbsolute:
      return address_size == 4 || address_size == 8 ? address_size : 0;
    case kUdata8:
    case kSdata8:
      return 8;
    case kUdata4:
    case kSdata4:
      return 4;
    case kUdata2:
    case kSdata2:
      return 2;
    default:
      return 0;
  }
}

bool ReadEncodedValue(DwarfCursor& cursor, std::uint8_t encoding, int address_size,
                      std::uint64_t& value) {
  std::uint8_t format = encoding & 0x0F;
  if (format == kUleb128) {
    value = cursor.ReadULEB128();
  } else if (format == kSleb128) {
    value = static_cast<std::uint64_t>(cursor.ReadLEB128());
  } else {
    int size = EncodedPointerSize(encoding, address_size);
    if (size == 0) return false;
    value = cursor.ReadUnsigned(size);
    if (format == kSdata2 || format == kSdata4) value = SignExtended(value, size);
  }
  return cursor.ok();
}

bool ReadEncodedPointer(DwarfCursor& cursor, std::uint8_t encoding, const PointerBases& bases,
                        std::uint64_t& value) {
  // Unsigned sums: an address that runs past the top wraps as the
  // processor's would.
  std::uint64_t field = bases.window_address + static_cast<std::uint64_t>(cursor.Pos());
  std::uint8_t application = encoding & 0x70;
  if (application == kAligned) {
    if ((encoding & 0x0F) != kAbsolute) return false;
    int size = EncodedPointerSize(encoding, bases.address_size);
    if (size == 0) return false;
    cursor.Skip((size - field % size) % size);
    value = cursor.ReadUnsigned(size);
    return cursor.ok();
  }
  if (!ReadEncodedValue(cursor, encoding, bases.address_size, value)) return false;
  switch (application) {
    case kFromNothing:
      return true;
    case kPcRelative:
      value += field;
      return true;
    case kDataRelative:
      value += bases.data;
      return bases.has_data;
    case kTextRelative:
    case kFunctionRelative:
    default:
      return false;
  }
}

}  // namespace rt
