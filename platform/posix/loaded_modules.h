// The modules the dynamic loader has loaded, and the one test of whether
// a range of addresses lies in a module's loadable (PT_LOAD) segment: the
// module of an address, its call-frame tables and what the walk may read in
// place are all found by it. Kept in this header, as the scripted platform
// of the tests links the unwind tables without the module search.
#pragma once

#include <elf.h>
#include <link.h>

#include <cstddef>
#include <cstdint>

namespace platform::posix {

struct LoadedSegment {
  std::uint64_t start = 0, end = 0;
};

// The loadable segment of the module that holds all of [address,
// address + size); false where none does.
inline bool SegmentHolding(const dl_phdr_info& module, std::uint64_t address, std::uint64_t size,
                           LoadedSegment& segment) {
  for (int i = 0; i < module.dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = module.dlpi_phdr[i];
    std::uint64_t start = module.dlpi_addr + ph.p_vaddr;
    if (ph.p_type == PT_LOAD && address >= start && address - start <= ph.p_memsz &&
        size <= ph.p_memsz - (address - start)) {
      segment = {start, start + ph.p_memsz};
      return true;
    }
  }
  return false;
}

// Calls found(module, segment) for the first module one of whose loadable
// segments holds [address, address + size), while the loader's list is
// held (its record lasts no longer); false where no module holds it.
template <typename Found>
bool VisitModuleHolding(std::uint64_t address, std::uint64_t size, Found&& found) {
  struct Search {
    std::uint64_t address, size;
    Found& found;
    bool held = false;
  } search{address, size, found};
  dl_iterate_phdr(
      [](dl_phdr_info* module, std::size_t, void* data) {
        Search& s = *static_cast<Search*>(data);
        LoadedSegment segment;
        if (!SegmentHolding(*module, s.address, s.size, segment)) return 0;
        s.held = true;
        s.found(*module, segment);
        return 1;
      },
      &search);
  return search.held;
}

}  // namespace platform::posix
