// The record of the last processor fault, filled by the outermost handler.
#include "platform/fault_record.h"

namespace platform {

namespace {

FaultRecord last_fault;
bool recorded = false;

}  // namespace

void RecordFault(FaultKind kind, const rt::FrameRegisters& registers, std::uint64_t readable_from,
                 std::uint64_t limit, std::uint64_t top, const FaultFacts& facts) {
  last_fault.kind = kind;
  last_fault.facts = facts;
  last_fault.registers = registers;
  last_fault.stack_low = last_fault.stack_top = 0;
  std::uint64_t sp =
      registers.Has(kWalkLayout.stack_pointer) ? registers.value[kWalkLayout.stack_pointer] : 0;
  // Whole words: stack slots are word-aligned.
  std::uint64_t from = ((sp > readable_from ? sp : readable_from) + 7) & ~std::uint64_t{7};
  if (sp >= limit && sp < top && from < top) {
    last_fault.stack_low = from;
    last_fault.stack_top = top;
  }
  recorded = true;
}

const FaultRecord* LastFault() {
  return recorded ? &last_fault : nullptr;
}

}  // namespace platform
