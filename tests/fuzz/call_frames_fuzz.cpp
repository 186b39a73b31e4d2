// Arbitrary bytes as .eh_frame_hdr, .eh_frame and a register state: the row
// at the pc must hold there if found, and a walk of a few steps over memory
// that answers from the frames' bytes must end, never crash or read outside.
// The input: the header's length (2 bytes) and the header, then the pc, the
// stack and frame pointers and flags (8 bytes each; 1: the pc is a return
// address, 2: aarch64's numbering, 4: no header), then .eh_frame.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dwarf/frame/call_frames.h"
#include "dwarf/frame/frame_rules.h"

namespace {

// The frames' bytes as memory from the stack pointer on.
struct BufferMemory final : rt::FrameMemory {
  const std::uint8_t* bytes;
  std::size_t size;
  std::uint64_t at;
  BufferMemory(const std::uint8_t* b, std::size_t n, std::uint64_t a) : bytes(b), size(n), at(a) {}
  bool ReadWord(std::uint64_t address, std::uint64_t& value) override {
    if (size < 8 || address - at > size - 8) return false;
    std::memcpy(&value, bytes + (address - at), 8);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 34) return 0;
  std::size_t header_size = data[0] | std::size_t{data[1]} << 8;
  if (header_size > size - 34) header_size = size - 34;
  std::uint64_t w[4];
  std::memcpy(w, data + 2 + header_size, sizeof w);
  const std::uint8_t* frame_bytes = data + 34 + header_size;
  std::size_t frames_size = size - 34 - header_size;
  rt::MemorySource header(data + 2, static_cast<std::int64_t>(header_size));
  rt::MemorySource frames(frame_bytes, static_cast<std::int64_t>(frames_size));
  rt::EhFrameSections sections{(w[3] & 4) ? nullptr : &header, 0x1000, &frames, 0x2000};
  rt::ReadEhFrameStart(header, sections.header_address, sections.address_size,
                       sections.frames_address);
  bool aarch64 = (w[3] & 2) != 0, return_address = (w[3] & 1) != 0;
  rt::FrameLayout layout = aarch64 ? rt::FrameLayout{31, -1} : rt::FrameLayout{7, 16, 0xF0C8};
  rt::FrameRegisters regs;
  regs.pc = w[0];
  regs.Set(layout.stack_pointer, w[1]);
  regs.Set(aarch64 ? 29 : 6, w[2]);
  if (aarch64) regs.Set(30, w[0] + 4);  // the link register
  rt::FrameRow row;
  if (rt::FindFrameRow(sections, regs.pc, row) == rt::FrameStep::kStepped &&
      !(row.fde_begin <= row.start && row.start <= regs.pc && regs.pc < row.end &&
        row.end <= row.fde_end)) {
    __builtin_trap();
  }
  BufferMemory memory(frame_bytes, frames_size, w[1]);
  std::uint64_t cfa;
  bool exact = !return_address;
  for (int step = 0; step < 8; ++step) {
    if (rt::StepByCallFrames(sections, layout, memory, exact ? regs.pc : regs.pc - 1, regs, cfa,
                             exact) != rt::FrameStep::kStepped) {
      break;
    }
  }
  return 0;
}
