// Arbitrary bytes as an executable file: opening it, finding sections by
// name and following its debug link must answer, never crash or hang.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "exe/debug_link.h"
#include "exe/exe_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("exe", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  rt::TExeFile exe;
  if (rt::OpenExeFile(exe, path)) {
    std::int64_t offset, length;
    for (const char* name : {".debug_line", ".text", ".debug_line_str", "/4", ""}) {
      if (rt::FindExeSection(exe, name, offset, length) &&
          (offset < 0 || length < 0 || offset + length > exe.size)) {
        __builtin_trap();  // a section must lie inside the file
      }
    }
    std::string link;
    rt::ReadDebugLink(exe, link);
    rt::CloseExeFile(exe);
  }
  return 0;
}
