// Arbitrary bytes as an executable file: opening it, finding sections by
// name, symbols by address and its debug file must answer, never crash or hang.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "exe/debug_file/debug_file.h"
#include "exe/exe_file.h"
#include "exe/symbols.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("exe", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  rt::TExeFile exe;
  if (rt::OpenExeFile(exe, path)) {
    for (const char* name : {".debug_line", ".text", ".debug_line_str", "/4", ""}) {
      rt::ExeSection s;
      if (rt::FindExeSection(exe, name, s) &&
          (s.offset < 0 || s.length < 0 || s.offset + s.length > exe.size)) {
        __builtin_trap();  // a section must lie inside the file
      }
    }
    char symbol[16];
    rt::FindFunctionSymbol(exe, exe.image_base + 0x1008, symbol);
    rt::CloseExeFile(exe);
    // The places its debug information may be, as the report searches them.
    std::pmr::string found;
    rt::ExeSection section;
    if (rt::FindDebugFile(exe, path, "", ".debug_line", found, section).kind ==
        rt::DebugFileSearch::kFound) {
      rt::CloseExeFile(exe);
    }
  }
  return 0;
}
