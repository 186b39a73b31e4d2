// The module that holds a code address, from the dynamic loader's list.
#include <unistd.h>

#include "platform/image_base.h"
#include "platform/platform.h"
#include "platform/posix/loaded_modules.h"

namespace platform {

namespace {

// The program's own file by its real path, so that a debug file beside it
// is found whatever the working directory; /proc/self/exe where the path
// cannot be had.
void ProgramFile(std::pmr::string& name) {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || n >= static_cast<ssize_t>(sizeof path)) {
    name.assign("/proc/self/exe");
  } else {
    name.assign(path, static_cast<std::size_t>(n));
  }
}

// The load address of the module's lowest segment, so that it minus the
// file's own lowest segment address is the load delta, for PIE and fixed
// programs.
std::uintptr_t LowestSegment(const dl_phdr_info& module) {
  ImageBase base;
  for (int i = 0; i < module.dlpi_phnum; ++i) {
    base.Add(module.dlpi_phdr[i].p_type, module.dlpi_phdr[i].p_vaddr);
  }
  return module.dlpi_addr + static_cast<std::uintptr_t>(base.Get());
}

}  // namespace

bool GetModuleByAddr(const void* addr, std::uintptr_t& base, std::pmr::string& name) {
  base = 0;
  auto describe = [&](const dl_phdr_info& module, posix::LoadedSegment) {
    base = LowestSegment(module);
    if (module.dlpi_name != nullptr && module.dlpi_name[0] != '\0') {
      name.assign(module.dlpi_name);
    } else {
      ProgramFile(name);
    }
  };
  if (posix::VisitModuleHolding(reinterpret_cast<std::uintptr_t>(addr), 1, describe)) return true;
  ProgramFile(name);
  return false;
}

}  // namespace platform
