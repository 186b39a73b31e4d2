// The memory of the error report's readers: pages straight from the system,
// never the C library's heap, so that a report written after a double free,
// a corrupted heap or a fault inside malloc (whose lock the reporting thread
// may hold) does not wait on that heap.
#pragma once

#include <memory_resource>

namespace rt {

// Blocks from pages of the system's, reused once freed; blocks above a few
// KiB are pages of their own and go back to the system when freed. One
// thread at a time: the report's. Made on first use and never destroyed, so
// usable before main and while the process ends; a refusal of pages ends the
// process with abort, since a throw would look for memory on the heap.
std::pmr::memory_resource* ReportMemory();

// Makes ReportMemory the default resource, which every container of the
// readers (exe/, dwarf/, the line-information unit, the walk's search of a
// module's file) allocates from.
void UseReportMemory();

}  // namespace rt
