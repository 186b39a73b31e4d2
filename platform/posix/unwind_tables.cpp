// Where a loaded module keeps its call-frame information, from the dynamic
// loader's list: the PT_GNU_EH_FRAME segment is .eh_frame_hdr, and the
// loadable segment that holds it bounds .eh_frame, which follows it there.
#include "platform/posix/loaded_modules.h"
#include "platform/walk.h"

namespace platform {

namespace {

const ElfW(Phdr) * SearchTable(const dl_phdr_info& module) {
  for (int i = 0; i < module.dlpi_phnum; ++i) {
    if (module.dlpi_phdr[i].p_type == PT_GNU_EH_FRAME) return &module.dlpi_phdr[i];
  }
  return nullptr;
}

}  // namespace

bool IsLoaded(std::uint64_t address, std::uint64_t size) {
  return posix::VisitModuleHolding(address, size, [](const dl_phdr_info&, posix::LoadedSegment) {});
}

UnwindTables FindUnwindTables(std::uint64_t address) {
  UnwindTables tables;
  tables.in_module = posix::VisitModuleHolding(
      address, 1, [&tables](const dl_phdr_info& module, posix::LoadedSegment) {
        const ElfW(Phdr)* header = SearchTable(module);
        posix::LoadedSegment holding;
        if (header == nullptr || !posix::SegmentHolding(module, module.dlpi_addr + header->p_vaddr,
                                                        header->p_memsz, holding)) {
          return;
        }
        tables.header = module.dlpi_addr + header->p_vaddr;
        tables.header_size = header->p_memsz;
        tables.segment_start = holding.start;
        tables.segment_end = holding.end;
      });
  return tables;
}

}  // namespace platform
