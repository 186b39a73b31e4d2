// The record of the last processor fault, filled by the outermost handler.
#include "platform/fault_record.h"

namespace platform {

namespace {

// Reserved with the program: the handler may not allocate.
FaultRecord last_fault;
alignas(16) std::uint8_t stack_copy[kStackCopyBytes];
bool recorded = false;

}  // namespace

[[gnu::no_sanitize_address]] void RecordFault(const WalkRegisters& registers,
                                              std::uint64_t readable_from, std::uint64_t limit,
                                              std::uint64_t top) {
  last_fault.registers = registers;
  last_fault.walked = false;
  last_fault.depth = 0;
  last_fault.stack_top = top;
  last_fault.stack = stack_copy;
  last_fault.stack_base = last_fault.stack_size = 0;
  std::uint64_t sp =
      registers.Has(kWalkLayout.stack_pointer) ? registers.value[kWalkLayout.stack_pointer] : 0;
  // Whole words: stack slots are word-aligned.
  std::uint64_t from = ((sp > readable_from ? sp : readable_from) + 7) & ~std::uint64_t{7};
  if (sp >= limit && sp < top && from < top) {
    std::uint64_t size = (top - from < kStackCopyBytes ? top - from : kStackCopyBytes) / 8 * 8;
    // Word by word, in place: the copy reads other frames' stack, which the
    // address sanitizer would take for an overflow.
    const volatile std::uint64_t* source = reinterpret_cast<const volatile std::uint64_t*>(from);
    std::uint64_t* to = reinterpret_cast<std::uint64_t*>(stack_copy);
    for (std::uint64_t i = 0; i < size / 8; ++i) to[i] = source[i];
    last_fault.stack_base = from;
    last_fault.stack_size = size;
  }
  recorded = true;
}

void MarkWalked() {
  last_fault.walked = true;
  last_fault.depth = 0;
}

void RecordWalkedFrame(std::uint64_t return_address, std::uint64_t frame) {
  last_fault.walked = true;
  if (last_fault.depth < rt::kMaxFrameLines) {
    last_fault.frames[last_fault.depth] = frame;
    last_fault.return_addresses[last_fault.depth++] = return_address;
  }
}

const FaultRecord* LastFault() {
  return recorded ? &last_fault : nullptr;
}

}  // namespace platform
