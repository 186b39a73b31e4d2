// Telling a division that overflowed from one by zero, where the processor
// raises one fault for both and the system reports both as a division by
// zero; each processor folder implements it.
#pragma once

#include <cstdint>

#include "base/registers.h"

namespace platform {

// Whether the division at registers.pc overflowed (the most negative
// number divided by -1), its divisor read from a register or from a word
// of the stack in [stack_low, stack_top); false where it cannot be told.
bool DivisionOverflowed(const rt::FrameRegisters& registers, std::uint64_t stack_low,
                        std::uint64_t stack_top);

}  // namespace platform
