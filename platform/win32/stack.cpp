// The calling thread's stack bounds.
#include <windows.h>

#include "platform/platform.h"
#include "platform/report_stack.h"

namespace platform {

std::uintptr_t GetStackTop() {
  ULONG_PTR low, high;
  ::GetCurrentThreadStackLimits(&low, &high);
  return high;
}

std::uintptr_t GetStackTopAbove(std::uint64_t sp) {
  return OnReportStack(sp) ? ReportStackTop() : GetStackTop();
}

}  // namespace platform
