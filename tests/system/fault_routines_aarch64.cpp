// The faulting routines on aarch64. The processor does not trap integer
// division by zero, and floating-point traps are optional in hardware (and
// absent under qemu-user): those two routines divide and return.
#include "platform/aarch64/fpu.h"
#include "tests/system/fault_routines.h"

namespace faults {

namespace {

volatile int int_zero = 0;
volatile double float_one = 1.0, float_zero = 0.0;
volatile double float_result;

}  // namespace

[[gnu::noinline]] void WriteThroughNull() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("str wzr, [%0]" : : "r"(static_cast<int*>(nullptr)) : "memory");
}

[[gnu::noinline]] void DivideByZero() {
  int quotient;
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("sdiv %w0, %w1, %w2" : "=r"(quotient) : "r"(7), "r"(int_zero));
}

[[gnu::noinline]] void DivideFloatByZero() {
  Mark(__FILE__, __LINE__ + 1);
  float_result = float_one / float_zero;
}

[[gnu::noinline]] void ExecuteIllegal() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("udf #0");
}

[[gnu::noinline]] void FaultWithFrameOutside() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("mov x29, #16\n\tstr wzr, [%0]" : : "r"(static_cast<int*>(nullptr)) : "memory");
}

[[gnu::noinline]] void FaultWithFrameDownwards() {
  void** frame = static_cast<void**>(__builtin_frame_address(0));
  frame[0] = frame - 8;
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("str wzr, [%0]" : : "r"(static_cast<int*>(nullptr)) : "memory");
}

[[gnu::noinline]] void FaultWithFrameMisaligned() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("add x29, sp, #4\n\tstr wzr, [%0]" : : "r"(static_cast<int*>(nullptr)) : "memory");
}

rt::Text FloatControl() {
  rt::Text text("[fpcr ");
  text.AppendHex16(platform::ReadFpcr());
  text.Append("]");
  return text;
}

}  // namespace faults
