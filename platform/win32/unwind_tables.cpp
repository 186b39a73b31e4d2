// Windows images keep their unwind data in their own form, which the
// platform's unwinder reads: no module has call-frame tables for the walk
// to read, and an address lies in a module where its region is an image's.
#include <windows.h>

#include "platform/walk.h"

namespace platform {

UnwindTables FindUnwindTables(std::uint64_t address) {
  UnwindTables tables;
  MEMORY_BASIC_INFORMATION region;
  tables.in_module = ::VirtualQuery(reinterpret_cast<const void*>(address), &region,
                                    sizeof region) == sizeof region &&
                     region.Type == MEM_IMAGE;
  return tables;
}

// Nothing reads the call-frame tables of a Windows image.
bool IsLoaded(std::uint64_t, std::uint64_t) {
  return false;
}

}  // namespace platform
