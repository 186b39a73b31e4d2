// The module that holds a code address, from the dynamic loader's list.
#include <unistd.h>

#include "platform/page_size.h"
#include "platform/platform.h"
#include "platform/posix/loaded_modules.h"

namespace platform {

namespace {

constexpr std::uintptr_t kPageMask = ~(kPageSize - 1);

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
  std::uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < module.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = module.dlpi_phdr[i];
    if (ph.p_type == PT_LOAD && ph.p_vaddr < lowest) lowest = ph.p_vaddr;
  }
  return module.dlpi_addr + (lowest & kPageMask);
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
