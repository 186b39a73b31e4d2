// The runtime's own code and constants in a mapping apart from the
// program's, made before the program's code first runs.
//
// A page fault maps not only the page asked for but its neighbours in the
// same mapping, up to 64 KiB of them. The runtime's code and constants lie
// beside the program's, so the program's first touches would map the
// report's code and tables, which a run that ends well never uses. A change
// of advice on the runtime's pages splits the mapping, which keeps them out
// of the program's faults and costs a report that needs them nothing.
#include "platform/posix/runtime_pages.h"

#include <elf.h>
#include <link.h>
#include <sys/mman.h>

#include "platform/image_base.h"
#include "platform/page_size.h"

extern "C" {
// The program's own file header, as loaded.
extern const ElfW(Ehdr) __ehdr_start;
// Where the runtime's own code and constants begin (platform.h); a program
// without them keeps one mapping.
[[gnu::weak]] void quiz_runtime_code();
[[gnu::weak]] extern const char quiz_runtime_constants[];
}

namespace platform {

namespace {

// The end of the loaded segment of the program that holds address, 0 when
// none does.
QUIZ_AT_LOAD std::uintptr_t SegmentEnd(std::uintptr_t address) {
  const auto* file = reinterpret_cast<const unsigned char*>(&__ehdr_start);
  const auto* headers = reinterpret_cast<const ElfW(Phdr)*>(file + __ehdr_start.e_phoff);
  // The file header lies at the start of the lowest segment's first page.
  ImageBase base;
  for (unsigned i = 0; i < __ehdr_start.e_phnum; ++i)
    base.Add(headers[i].p_type, headers[i].p_vaddr);
  std::uintptr_t delta =
      reinterpret_cast<std::uintptr_t>(file) - static_cast<std::uintptr_t>(base.Get());
  for (unsigned i = 0; i < __ehdr_start.e_phnum; ++i) {
    if (headers[i].p_type != PT_LOAD) continue;
    std::uintptr_t begin = delta + headers[i].p_vaddr, end = begin + headers[i].p_memsz;
    if (address >= begin && address < end) return end;
  }
  return 0;
}

// Gives the whole pages from begin to end a mapping of their own. The advice
// chosen changes nothing else for them; a kernel that does not know it
// takes the next one.
QUIZ_AT_LOAD void SetApart(std::uintptr_t begin, std::uintptr_t end) {
  begin = (begin + kPageSize - 1) & ~(kPageSize - 1);
  end &= ~(kPageSize - 1);
  if (begin >= end) return;
  if (AdvisePages(begin, end - begin, MADV_NOHUGEPAGE) != 0) {
    AdvisePages(begin, end - begin, MADV_RANDOM);
  }
}

}  // namespace

// The runtime's code runs from its mark to this routine, which the linker
// places after it (or to the end of the segment, where this routine has one
// of its own), and its constants from their mark to the end of their
// segment (the call-frame tables after them are read only when an exception
// is thrown).
QUIZ_AT_LOAD void SetAsideRuntimePages(int, char**, char**) {
  if (quiz_runtime_code == nullptr || quiz_runtime_constants == nullptr) return;
  auto code = reinterpret_cast<std::uintptr_t>(&quiz_runtime_code);
  auto here = reinterpret_cast<std::uintptr_t>(&SetAsideRuntimePages);
  std::uintptr_t code_end = SegmentEnd(code);
  if (here > code) SetApart(code, here < code_end ? here : code_end);
  auto constants = reinterpret_cast<std::uintptr_t>(quiz_runtime_constants);
  SetApart(constants, SegmentEnd(constants));
}

}  // namespace platform
