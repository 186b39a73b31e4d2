// The x86-64 numbering of the stack walk: rbp keeps frame records, rip is
// register 16, and a call preserves rbx, rbp, rsp and r12 to r15.
#include <initializer_list>

#include "platform/walk.h"

namespace platform {

namespace {

constexpr int kRbx = 3, kRbp = 6, kRsp = 7, kRip = 16;

constexpr std::uint64_t Bits(std::initializer_list<int> registers) {
  std::uint64_t mask = 0;
  for (int r : registers) mask |= std::uint64_t{1} << r;
  return mask;
}

}  // namespace

constinit const rt::FrameLayout kWalkLayout = {
    .stack_pointer = kRsp,
    .pc_register = kRip,
    .callee_saved = Bits({kRbx, kRbp, kRsp, 12, 13, 14, 15}),
    .frame_register = kRbp};

// A call pushed its return address where the stack pointer points.
bool StepFromNowhere(rt::FrameRegisters& registers, ReadStackWord read, void* context) {
  if (!registers.Has(kRsp)) return false;
  std::uint64_t sp = registers.value[kRsp], return_address;
  if (!read(context, sp, return_address)) return false;
  registers.pc = return_address;
  registers.Set(kRip, return_address);
  registers.Set(kRsp, sp + 8);
  return true;
}

}  // namespace platform
