// The fault program's routines that keep no frame record: this file is
// built with -fomit-frame-pointer, so the walk can step out of them by their
// call-frame information alone. Each frame has a size of its own, so that
// no fixed offset from the stack pointer finds a return address.
#include "tests/system/fault_routines.h"

namespace faults {

namespace {

int* volatile null_target = nullptr;

}  // namespace

// The sanitizer's null checks would end the program before the fault that it
// is here for.
[[gnu::noinline]] __attribute__((no_sanitize("undefined"))) void FramelessWriteThroughNull() {
  volatile char area[24];
  area[0] = 1;
  asm volatile("" : : "r"(area) : "memory");  // keeps the whole of it
  Mark(__FILE__, __LINE__ + 1);
  *null_target = area[0];
}

[[gnu::noinline]] static void FramelessMiddle() {
  volatile char area[200];
  area[0] = 1;
  asm volatile("" : : "r"(area) : "memory");
  Mark(__FILE__, __LINE__ + 1);
  FramelessWriteThroughNull();
  area[1] = area[0];  // keeps the call from becoming a jump
}

[[gnu::noinline]] void FramelessChain() {
  volatile char area[1000];
  area[0] = 1;
  asm volatile("" : : "r"(area) : "memory");
  Mark(__FILE__, __LINE__ + 1);
  FramelessMiddle();
  area[1] = area[0];
}

// A leaf calls nothing, not even Mark: its caller marks the faulting line.
constexpr int kLeafFaultLine = __LINE__ + 2;
[[gnu::noinline]] __attribute__((no_sanitize("undefined"))) static void LeafWriteThroughNull() {
  *null_target = 1;
}

[[gnu::noinline]] void CallFramelessLeaf() {
  Mark(__FILE__, __LINE__ + 2);
  Mark(__FILE__, kLeafFaultLine);
  LeafWriteThroughNull();
  asm volatile("");
}

}  // namespace faults
