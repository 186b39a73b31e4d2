// Arbitrary bytes as location lists and expressions: the expression found
// for a pc must lie inside its section, and evaluating it, or the input's
// last bytes, as a location and as a call-frame rule must end, never crash
// or read outside. The input (see section_input.h): a word of the pc (low 32
// bits), the list's offset or index (16 bits), an exprloc's length (8 bits)
// and flags (the version less 2 in bits 0-1; 4: a split unit, 8: 4-byte
// addresses, 16: 64-bit offsets; bits 5-6: the value's form, an offset, an
// index, an exprloc or a constant), then .debug_loc, .debug_loclists,
// .debug_addr and .debug_info, then the expression.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dwarf/location/location.h"
#include "dwarf/location/location_list.h"
#include "tests/fuzz/section_input.h"

namespace {

// The input's bytes as memory from 0x7000 on.
struct BufferMemory final : rt::FrameMemory {
  const std::uint8_t* bytes;
  std::size_t size;
  BufferMemory(const std::uint8_t* b, std::size_t n) : bytes(b), size(n) {}
  bool ReadWord(std::uint64_t address, std::uint64_t& value) override {
    if (size < 8 || address - 0x7000 > size - 8) return false;
    std::memcpy(&value, bytes + (address - 0x7000), 8);
    return true;
  }
};

constexpr rt::DebugSection kOrder[] = {rt::DebugSection::kLoc, rt::DebugSection::kLoclists,
                                       rt::DebugSection::kAddr, rt::DebugSection::kInfo};

void Evaluate(rt::ByteSource* source, std::int64_t offset, std::uint32_t length,
              const rt::LocationInputs& in) {
  rt::DwarfCursor cursor;
  cursor.Bind(source);
  rt::Location location;
  rt::EvaluateLocation(cursor, offset, length, in, location);
  if (location.count < 0 || location.count > rt::Location::kMaxPieces) __builtin_trap();
  std::uint64_t value = 0, cfa = in.cfa;
  rt::ExpressionInputs frame{in.regs, in.layout, in.memory};
  rt::EvaluateFrameExpression(cursor, offset, length, frame, &cfa, value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  SectionInput<4> input;
  if (!input.Split(data, size, kOrder)) return 0;
  std::uint64_t w = input.address;
  unsigned flags = static_cast<unsigned>(w >> 56);
  rt::LocationUnit unit;
  unit.shape = {static_cast<std::uint16_t>(2 + (flags & 3)), std::uint8_t((flags & 16) ? 8 : 4),
                std::uint8_t((flags & 8) ? 4 : 8)};
  unit.base = 0x1000, unit.addr_base = 8, unit.loclists_base = 12, unit.split = (flags & 4) != 0;
  const rt::FormValue::Kind kinds[] = {rt::FormValue::Kind::kSectionOffset,
                                       rt::FormValue::Kind::kListIndex, rt::FormValue::Kind::kBlock,
                                       rt::FormValue::Kind::kConstant};
  rt::FormValue value{kinds[flags >> 5 & 3], w >> 32 & 0xFFFF, w >> 48 & 0xFF};
  rt::FrameRegisters regs, entry;
  regs.Set(6, 0x7000), regs.Set(7, 0x7010), entry.Set(5, 0x55);
  rt::FrameLayout layout{7, 16};
  BufferMemory memory(data, size);
  rt::LocationInputs in{regs, layout, memory,   0x7020,          true,       0x7000,
                        true, &entry, 0x100000, &input.sections, unit.shape, unit.addr_base};
  rt::DwarfCursor cursor;
  rt::ExpressionPlace place;
  if (rt::FindLocationExpression(cursor, input.sections, unit, value, w & 0xFFFFFFFF, place) ==
      rt::ListLookup::kFound) {
    rt::ByteSource* section = input.sections[place.section];
    if (section != nullptr) {
      // A list's expression lies in its section; an exprloc's is where the value says.
      bool listed = place.section != rt::DebugSection::kInfo;
      if (listed && (place.offset < 0 || place.offset + place.length > section->Size()))
        __builtin_trap();
      Evaluate(section, place.offset, place.length, in);
    }
  }
  Evaluate(&input.line, 0, static_cast<std::uint32_t>(input.line.Size()), in);
  return 0;
}
