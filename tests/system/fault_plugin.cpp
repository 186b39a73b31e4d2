// A shared library without line information, between frames that have it:
// the fault program calls into it and it calls back.
#include "tests/system/fault_plugin.h"

[[gnu::noinline]] void CallBackFromPlugin(void (*callback)()) {
  callback();
  asm volatile("");  // keeps the call from becoming a jump
}
