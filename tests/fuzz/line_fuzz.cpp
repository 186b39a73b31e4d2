// Arbitrary bytes as a ".debug_line" section: every unit is searched for a
// few addresses, with names resolved; the reader must answer, never crash,
// hang or read outside the section.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "console/io_result.h"
#include "runtime/exe_file.h"
#include "runtime/line_program.h"
#include "runtime/line_reader.h"
#include "runtime/units.h"

rt::InitFinalTable rt::InitFinal = {0, 0, nullptr};

namespace {

rt::TExeFile exe;
rt::LineReader reader;

// The section is the whole file; the string sections are its second half,
// so that names kept there are looked up too.
void Search(std::int64_t size, std::uint64_t target) {
  rt::StringSections strings;
  strings.line_str_offset = strings.str_offset = size / 2;
  strings.line_str_length = strings.str_length = size - size / 2;
  for (std::int64_t offset = 0; offset < size;) {
    rt::UnitSearch search;
    std::int64_t next = rt::ParseCompilationUnit(reader, strings, target, offset, size, search);
    if (next <= offset || next > size) __builtin_trap();  // units must move forward
    if (search.found && search.source.length == 0) __builtin_trap();
    offset = next;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("line", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
  rt::FileOpenRead(exe.f, path);
  if (rt::IOResult() != 0) return 0;
  exe.size = static_cast<std::int64_t>(size);
  exe.isopen = true;
  reader.Bind(&exe);
  std::uint64_t inside = 0;
  if (size >= 8) __builtin_memcpy(&inside, data + size - 8, 8);
  for (std::uint64_t target :
       {std::uint64_t{0}, std::uint64_t{0x1000}, inside, ~std::uint64_t{0}}) {
    Search(static_cast<std::int64_t>(size), target);
  }
  rt::CloseExeFile(exe);
  return 0;
}
