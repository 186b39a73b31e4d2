// The module that holds a code address, from the dynamic loader's list.
#include <elf.h>
#include <link.h>
#include <unistd.h>

#include "platform/page_size.h"
#include "platform/platform.h"

namespace platform {

namespace {

constexpr std::uintptr_t kPageMask = ~(kPageSize - 1);

struct Search {
  std::uintptr_t addr;
  std::pmr::string& name;
  bool found = false;
  std::uintptr_t base = 0;
};

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

int Visit(struct dl_phdr_info* info, std::size_t, void* data) {
  Search& search = *static_cast<Search*>(data);
  bool holds = false;
  std::uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    if (ph.p_vaddr < lowest) lowest = ph.p_vaddr;
    std::uintptr_t start = info->dlpi_addr + ph.p_vaddr;
    if (search.addr >= start && search.addr - start < ph.p_memsz) holds = true;
  }
  if (!holds) return 0;
  search.found = true;
  // The load address of the lowest segment, so that it minus the file's own
  // lowest segment address is the load delta, for PIE and fixed programs.
  search.base = info->dlpi_addr + (lowest & kPageMask);
  const char* name = info->dlpi_name;
  if (name != nullptr && name[0] != '\0') {
    search.name.assign(name);
  } else {
    ProgramFile(search.name);
  }
  return 1;
}

}  // namespace

bool GetModuleByAddr(const void* addr, std::uintptr_t& base, std::pmr::string& name) {
  Search search{reinterpret_cast<std::uintptr_t>(addr), name};
  dl_iterate_phdr(Visit, &search);
  base = search.base;
  if (!search.found) ProgramFile(name);
  return search.found;
}

}  // namespace platform
