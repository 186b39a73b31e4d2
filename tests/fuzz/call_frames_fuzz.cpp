// Arbitrary bytes as .eh_frame_hdr, .eh_frame and a register state: the
// row at the pc is looked up and a walk of a few steps is made over memory
// that answers from the frames' own bytes; the reader must answer, never
// crash, hang or read outside a section, and a row found must hold at the pc.
//
// The input: the header's length (2 bytes) and the header, then pc, stack
// pointer, frame register and flags (8 bytes each; flag 1: the pc is a
// return address, 2: aarch64's numbering, 4: no header), then .eh_frame.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dwarf/call_frames.h"
#include "dwarf/frame_rules.h"
#include "exe/byte_source.h"

namespace {

constexpr std::uint64_t kHeaderAddress = 0x1000;

// Words of the frames' bytes, as if they lay at the stack pointer.
class BufferMemory final : public rt::FrameMemory {
 public:
  BufferMemory(const std::uint8_t* bytes, std::size_t size, std::uint64_t at)
      : bytes_(bytes), size_(size), at_(at) {}
  bool ReadWord(std::uint64_t address, std::uint64_t& value) override {
    std::uint64_t offset = address - at_;
    if (size_ < 8 || offset > size_ - 8) return false;
    std::memcpy(&value, bytes_ + offset, 8);
    return true;
  }

 private:
  const std::uint8_t* bytes_;
  std::size_t size_;
  std::uint64_t at_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 34) return 0;
  std::size_t header_size = data[0] | std::size_t{data[1]} << 8;
  if (header_size > size - 34) header_size = size - 34;
  const std::uint8_t* state = data + 2 + header_size;
  std::uint64_t words[4];
  std::memcpy(words, state, sizeof words);
  const std::uint8_t* frame_bytes = state + sizeof words;
  std::size_t frames_size = size - 34 - header_size;

  rt::MemorySource header(data + 2, static_cast<std::int64_t>(header_size));
  rt::MemorySource frames(frame_bytes, static_cast<std::int64_t>(frames_size));
  rt::EhFrameSections sections{&header, kHeaderAddress, &frames, 0x2000};
  rt::ReadEhFrameStart(header, kHeaderAddress, sections.frames_address);
  if ((words[3] & 4) != 0) sections.header = nullptr;
  bool aarch64 = (words[3] & 2) != 0;
  rt::FrameLayout layout = aarch64 ? rt::FrameLayout{31, -1} : rt::FrameLayout{7, 16, 0xF0C8};
  rt::FrameRegisters regs;
  regs.pc = words[0];
  regs.Set(layout.stack_pointer, words[1]);
  regs.Set(aarch64 ? 29 : 6, words[2]);
  if (aarch64) regs.Set(30, words[0] + 4);

  rt::FrameRow row;
  if (rt::FindFrameRow(sections, regs.pc, row) == rt::FrameStep::kStepped &&
      !(row.fde_begin <= row.start && row.start <= regs.pc && regs.pc < row.end &&
        row.end <= row.fde_end)) {
    __builtin_trap();
  }
  BufferMemory memory(frame_bytes, frames_size, words[1]);
  bool return_address = (words[3] & 1) != 0;
  for (int step = 0; step < 8; ++step) {
    std::uint64_t cfa;
    bool exact;
    if (rt::StepByCallFrames(sections, layout, memory, return_address, regs, cfa, exact) !=
        rt::FrameStep::kStepped) {
      break;
    }
    return_address = !exact;
  }
  return 0;
}
