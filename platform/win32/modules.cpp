// The module that holds a code address: the region's allocation base and
// the file the module was loaded from.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr DWORD kNameBuffer = 261;

std::string ModuleFileName(HMODULE module) {
  char name[kNameBuffer];
  DWORD n = ::GetModuleFileNameA(module, name, kNameBuffer);
  if (n == 0) return {};
  return std::string(name, n);
}

}  // namespace

bool GetModuleByAddr(const void* addr, std::uintptr_t& base, std::string& name) {
  MEMORY_BASIC_INFORMATION region;
  if (::VirtualQuery(addr, &region, sizeof region) == sizeof region &&
      region.AllocationBase != nullptr && region.Type == MEM_IMAGE) {
    base = reinterpret_cast<std::uintptr_t>(region.AllocationBase);
    name = ModuleFileName(static_cast<HMODULE>(region.AllocationBase));
    return true;
  }
  // The program's own file.
  base = 0;
  name = ModuleFileName(nullptr);
  return false;
}

}  // namespace platform
