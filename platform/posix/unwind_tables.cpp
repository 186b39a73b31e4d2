// Where a loaded module keeps its call-frame information, from the dynamic
// loader's list: the PT_GNU_EH_FRAME segment is .eh_frame_hdr, and the
// loadable segment that holds it bounds .eh_frame, which follows it there.
#include <elf.h>
#include <link.h>

#include "platform/walk.h"

namespace platform {

namespace {

struct Search {
  std::uint64_t address;
  UnwindTables tables;
};

bool Holds(const dl_phdr_info* info, const ElfW(Phdr) & ph, std::uint64_t address) {
  std::uint64_t start = info->dlpi_addr + ph.p_vaddr;
  return ph.p_type == PT_LOAD && address >= start && address - start < ph.p_memsz;
}

int Visit(dl_phdr_info* info, std::size_t, void* data) {
  Search& search = *static_cast<Search*>(data);
  bool holds = false;
  const ElfW(Phdr)* header = nullptr;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    holds = holds || Holds(info, info->dlpi_phdr[i], search.address);
    if (info->dlpi_phdr[i].p_type == PT_GNU_EH_FRAME) header = &info->dlpi_phdr[i];
  }
  if (!holds) return 0;
  search.tables.in_module = true;
  if (header == nullptr) return 1;
  std::uint64_t at = info->dlpi_addr + header->p_vaddr;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (!Holds(info, ph, at)) continue;
    std::uint64_t start = info->dlpi_addr + ph.p_vaddr, end = start + ph.p_memsz;
    if (header->p_memsz > end - at) break;
    search.tables.header = at;
    search.tables.header_size = header->p_memsz;
    search.tables.segment_start = start;
    search.tables.segment_end = end;
    break;
  }
  return 1;
}

struct Range {
  std::uint64_t address, size;
  bool loaded = false;
};

int VisitSegments(dl_phdr_info* info, std::size_t, void* data) {
  Range& range = *static_cast<Range*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    std::uint64_t start = info->dlpi_addr + ph.p_vaddr;
    if (ph.p_type == PT_LOAD && range.address >= start && range.address - start <= ph.p_memsz &&
        range.size <= ph.p_memsz - (range.address - start)) {
      range.loaded = true;
      return 1;
    }
  }
  return 0;
}

}  // namespace

bool IsLoaded(std::uint64_t address, std::uint64_t size) {
  Range range{address, size};
  dl_iterate_phdr(VisitSegments, &range);
  return range.loaded;
}

UnwindTables FindUnwindTables(std::uint64_t address) {
  Search search{address, {}};
  dl_iterate_phdr(Visit, &search);
  return search.tables;
}

}  // namespace platform
