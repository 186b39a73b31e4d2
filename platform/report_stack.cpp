// The region reports are formed on. It is reserved with the program: a
// report may follow a broken heap, and is set up inside a signal handler.
#include "platform/report_stack.h"

#include <cstddef>

namespace platform {

namespace {

// A report reads line tables and call-frame information; its deepest frames
// take a few tens of KiB.
constexpr std::size_t kReportStackBytes = 512 * 1024;
// The least a report started below another on the region may have.
constexpr std::uint64_t kLeastReportBytes = 96 * 1024;
// What the frames below a faulting stack pointer may still hold: the
// processor's red zone, and more.
constexpr std::uint64_t kBelowFault = 1024;

alignas(64) unsigned char report_stack[kReportStackBytes];

}  // namespace

std::uint64_t ReportStackLimit() {
  return reinterpret_cast<std::uint64_t>(report_stack);
}

std::uint64_t ReportStackTop() {
  return ReportStackLimit() + kReportStackBytes;
}

bool OnReportStack(std::uint64_t sp) {
  return sp >= ReportStackLimit() && sp < ReportStackTop();
}

std::uint64_t ReportStackStart(std::uint64_t sp) {
  if (!OnReportStack(sp)) return ReportStackTop();
  if (sp - ReportStackLimit() < kLeastReportBytes + kBelowFault) return 0;
  return (sp - kBelowFault) & ~std::uint64_t{15};
}

}  // namespace platform
