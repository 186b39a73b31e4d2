// The faulting routines on x86-64.
#include "platform/x86_64/fpu.h"
#include "tests/system/fault_routines.h"

namespace faults {

namespace {

volatile int int_zero = 0;
volatile double float_one = 1.0, float_zero = 0.0;

}  // namespace

[[gnu::noinline]] void WriteThroughNull() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("movl $1, 0" : : : "memory");
}

[[gnu::noinline]] void DivideByZero() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("idivl %0" : : "m"(int_zero) : "eax", "edx");
}

[[gnu::noinline]] void DivideFloatByZero() {
  Mark(__FILE__, __LINE__ + 2);
  asm volatile("movsd %0, %%xmm0" : : "m"(float_one) : "xmm0");
  asm volatile("divsd %0, %%xmm0" : : "m"(float_zero) : "xmm0");
}

[[gnu::noinline]] void ExecuteIllegal() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("ud2");
}

[[gnu::noinline]] void FaultWithFrameOutside() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("movq $16, %%rbp\n\tmovl $1, 0" : : : "memory");
}

[[gnu::noinline]] void FaultWithFrameDownwards() {
  void** frame = static_cast<void**>(__builtin_frame_address(0));
  frame[0] = frame - 8;
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("movl $1, 0" : : : "memory");
}

[[gnu::noinline]] void FaultWithFrameMisaligned() {
  Mark(__FILE__, __LINE__ + 1);
  asm volatile("leaq 4(%%rsp), %%rbp\n\tmovl $1, 0" : : : "memory");
}

rt::Text FloatControl() {
  rt::Text text("[mxcsr ");
  text.AppendHex16(platform::ReadMxcsr() & 0xFFC0);
  text.Append("]");
  return text;
}

}  // namespace faults
