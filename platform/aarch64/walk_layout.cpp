// The aarch64 numbering of the stack walk: x29 keeps frame records, the pc
// has no number, and a call preserves x19 to x29 and sp. The link register
// holds the return address until a frame saves it: where no rule says where
// it is, it keeps its value.
#include "platform/walk.h"

namespace platform {

namespace {

constexpr int kFp = 29, kLr = 30, kSp = 31;

constexpr std::uint64_t CalleeSaved() {
  std::uint64_t mask = std::uint64_t{1} << kSp | std::uint64_t{1} << kLr;
  for (int r = 19; r <= kFp; ++r) mask |= std::uint64_t{1} << r;
  return mask;
}

}  // namespace

constinit const rt::FrameLayout kWalkLayout = {
    .stack_pointer = kSp, .pc_register = -1, .callee_saved = CalleeSaved(), .frame_register = kFp};

// A call left its return address in the link register.
bool StepFromNowhere(rt::FrameRegisters& registers, ReadStackWord, void*) {
  if (!registers.Has(kLr) || registers.value[kLr] == registers.pc) return false;
  registers.pc = registers.value[kLr];
  return true;
}

}  // namespace platform
