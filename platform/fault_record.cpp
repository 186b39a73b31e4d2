// The record of the last processor fault, filled by the outermost handler.
#include "platform/fault_record.h"

#include "platform/frame_record.h"

namespace platform {

namespace {

// Reserved with the program: the handler may not allocate.
FaultRecord last_fault;
bool recorded = false;

bool HoldsRecord(StackSpan stack, std::uintptr_t frame) {
  return frame % alignof(FrameRecord) == 0 && frame >= stack.lowest && frame < stack.top &&
         stack.top - frame >= sizeof(FrameRecord);
}

}  // namespace

[[gnu::no_sanitize_address]] void RecordFault(std::uintptr_t address, std::uintptr_t frame,
                                              StackSpan stack) {
  last_fault.address = reinterpret_cast<void*>(address);
  last_fault.frame = reinterpret_cast<void*>(frame);
  last_fault.depth = 0;
  while (last_fault.depth < rt::kMaxFrameLines && HoldsRecord(stack, frame)) {
    FrameRecord record = ReadFrameRecord(reinterpret_cast<const void*>(frame));
    if (record.return_address == nullptr) break;
    last_fault.return_addresses[last_fault.depth++] = record.return_address;
    std::uintptr_t caller = reinterpret_cast<std::uintptr_t>(record.caller_frame);
    // Records rise strictly towards the stack's top.
    if (caller <= frame) break;
    stack.lowest = caller;
    frame = caller;
  }
  recorded = true;
}

const FaultRecord* LastFault() {
  return recorded ? &last_fault : nullptr;
}

}  // namespace platform
