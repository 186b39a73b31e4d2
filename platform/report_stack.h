// The stack a report is formed on after a processor fault or an abort: a
// region of its own, so that the faulting thread's stack stays as it stood
// for the walk however little of it is left, and no thread's report ever
// runs on another thread's stack. One report is formed at a time (the
// process's end is claimed first), so one region serves every thread.
#pragma once

#include <cstdint>

namespace platform {

// Where the report of a fault whose stack pointer is sp starts: the
// region's top, or, for a fault inside a report already formed there, below
// that report's frames, which the new report walks. 0 where too little of
// the region is left for another report.
std::uint64_t ReportStackStart(std::uint64_t sp);

// Whether sp lies on the region, and its bounds.
bool OnReportStack(std::uint64_t sp);
std::uint64_t ReportStackLimit();
std::uint64_t ReportStackTop();

}  // namespace platform
