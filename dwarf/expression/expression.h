// DWARF expressions, evaluated on a bounded stack in a bounded number of
// steps: those of call-frame rules here, those of where a variable lies in
// dwarf/location/, by one machine.
#pragma once

#include <cstdint>

#include "base/registers.h"
#include "dwarf/cursor.h"

namespace rt {

// Reads words of the thread's memory that expressions and rules point into
// (in practice the stack, or a copy of it); false where it cannot.
class FrameMemory {
 public:
  virtual bool ReadWord(std::uint64_t address, std::uint64_t& value) = 0;

 protected:
  ~FrameMemory() = default;
};

enum class ExpressionResult {
  kValue,
  kUnknown,    // it needs a register that is not known or memory that cannot be read
  kMalformed,  // a form not read, a stack that overflows or runs dry, a branch outside
};

// What an expression reads: the frame's registers (a DW_OP_breg of the
// layout's pc register gives the frame's pc) and memory.
struct ExpressionInputs {
  const FrameRegisters& regs;
  const FrameLayout& layout;
  FrameMemory& memory;
};

// Evaluates the length bytes at offset of the cursor's source; with
// push_first, that value starts the stack (the CFA, for register rules).
ExpressionResult EvaluateFrameExpression(DwarfCursor& cursor, std::int64_t offset,
                                         std::uint32_t length, const ExpressionInputs& inputs,
                                         const std::uint64_t* push_first, std::uint64_t& result);

}  // namespace rt
