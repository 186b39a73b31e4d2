// The module that holds a code address: the region's allocation base and
// the file the module was loaded from.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr DWORD kNameBuffer = 261;

void ModuleFileName(HMODULE module, std::pmr::string& name) {
  char path[kNameBuffer];
  DWORD n = ::GetModuleFileNameA(module, path, kNameBuffer);
  name.assign(path, n);
}

}  // namespace

bool GetModuleByAddr(const void* addr, std::uintptr_t& base, std::pmr::string& name) {
  MEMORY_BASIC_INFORMATION region;
  if (::VirtualQuery(addr, &region, sizeof region) == sizeof region &&
      region.AllocationBase != nullptr && region.Type == MEM_IMAGE) {
    base = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    ModuleFileName(static_cast<HMODULE>(region.AllocationBase), name);
    return true;
  }
  // The program's own file.
  base = 0;
  ModuleFileName(nullptr, name);
  return false;
}

}  // namespace platform
