// A thread's registers at one instruction, as the stack walk and the
// call-frame rules both see them: by the processor's DWARF register
// numbers, which platform/<processor>/ gives with the layout below.
#pragma once

#include <cstdint>

namespace rt {

// Enough numbers for both processors (x86-64 uses 0-16, aarch64 0-31).
inline constexpr int kMaxFrameRegisters = 34;

struct FrameRegisters {
  std::uint64_t value[kMaxFrameRegisters] = {};
  std::uint64_t known = 0;  // bit r: value[r] is known
  std::uint64_t pc = 0;     // the code address the frame stands at

  bool Has(int r) const { return r >= 0 && r < kMaxFrameRegisters && (known >> r & 1) != 0; }
  void Set(int r, std::uint64_t v) {
    if (r < 0 || r >= kMaxFrameRegisters) return;
    value[r] = v;
    known |= std::uint64_t{1} << r;
  }
  void Forget(int r) {
    if (r < 0 || r >= kMaxFrameRegisters) return;
    value[r] = 0;
    known &= ~(std::uint64_t{1} << r);
  }
};

// Where a processor keeps what a step reads, in its numbering; the readers
// of call-frame information are handed it and know no processor.
struct FrameLayout {
  int stack_pointer;
  // The number a DW_OP_breg uses for the pc itself; -1 where there is none.
  int pc_register;
  // The registers a call preserves: one without a rule keeps its value in
  // the caller, any other is forgotten there. All of them unless the
  // processor's calling convention is given.
  std::uint64_t callee_saved = ~std::uint64_t{0};
  int frame_register = -1;  // where a frame record is kept
};

}  // namespace rt
