// Arbitrary bytes as a compressed ".debug_line": the first byte picks how it
// is stored (zlib or zstd under the ELF compression header, or zlib in
// ".zdebug_line"), the next four its stated size (below 1 MiB), and the rest
// is the stream. The reader must check it and read it anywhere, forwards,
// backwards and after the file is opened again: never more than asked or
// than its size, all of it while the stream is sound, and the same bytes
// for the same place every time.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "exe/exe_file.h"
#include "exe/section_reader.h"
#include "tests/support/image_builder.h"

namespace {

using testing_support::Bytes;

constexpr std::int64_t kPiece = 7000;  // not a multiple of the decoder's chunk

// Reads n bytes at offset and checks the count against the section's size:
// a sound stream gives all that lies inside it, a failed one nothing.
std::int64_t Read(rt::SectionReader& reader, std::int64_t offset, std::uint8_t* out,
                  std::int64_t n) {
  std::int64_t got = reader.ReadAt(offset, out, n).count;
  std::int64_t size = reader.Size();
  std::int64_t inside = offset < 0 || offset >= size ? 0 : size - offset < n ? size - offset : n;
  if (got != inside) __builtin_trap();
  return got;
}

// Reads at places spread over the stated size, going back as often as on,
// and compares them with what a first reading from start to end gave.
void ReadAround(rt::SectionReader& reader, std::int64_t size,
                const std::vector<std::uint8_t>& whole) {
  std::uint8_t buffer[20000];
  const std::int64_t places[][2] = {{size - 1, 1}, {size / 2, 20000}, {size / 3 + 1, 4096},
                                    {0, 100},      {size * 3 / 4, 9}, {size - 5000, 20000},
                                    {1, 16384},    {size, 1},         {-1, 1},
                                    {size / 5, 0}};
  for (const auto& [offset, n] : places) {
    std::int64_t got = Read(reader, offset, buffer, n);
    if (got > 0 && std::memcmp(buffer, whole.data() + offset, got) != 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("compressed", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (size < 5) return 0;
  int framing = data[0] % 3;
  std::uint32_t word;
  std::memcpy(&word, data + 1, 4);
  std::uint64_t stated = word % ((1u << 20) + 1);  // up to 1 MiB, small values as they are
  Bytes stream(reinterpret_cast<const char*>(data) + 5, size - 5);
  Bytes header;
  if (framing == 2) {
    header = "ZLIB";
    for (int i = 7; i >= 0; --i) header += static_cast<char>(stated >> (8 * i));
  } else {
    testing_support::Put32(header, 0, framing == 0 ? 1 : 2);
    testing_support::Put64(header, 8, stated);
    testing_support::Put64(header, 16, 1);
  }
  testing_support::ElfImage elf;
  elf.sections = {{framing == 2 ? ".zdebug_line" : ".debug_line", testing_support::kProgBits,
                   framing == 2 ? 0 : testing_support::kShfCompressed, header + stream}};
  Bytes image = elf.Build();
  if (ftruncate(fd, 0) != 0 ||
      pwrite(fd, image.data(), image.size(), 0) != static_cast<ssize_t>(image.size())) {
    return 0;
  }

  rt::TExeFile exe;
  rt::ExeSection section;
  if (!rt::OpenExeFile(exe, path)) __builtin_trap();  // the image is sound
  if (!rt::FindExeSection(exe, ".debug_line", section)) {
    if (rt::CanDecode(section.compression)) __builtin_trap();  // so is the header
    rt::CloseExeFile(exe);
    return 0;
  }
  auto reader = std::make_unique<rt::SectionReader>();
  reader->Bind(exe, section);
  auto length = static_cast<std::int64_t>(stated);
  if (reader->Size() != length) __builtin_trap();  // believed until read
  // The first read checks the whole stream; a sound one is then read from
  // start to end, in pieces.
  std::uint8_t first[kPiece];
  Read(*reader, 0, first, kPiece);
  std::int64_t checked = reader->Size();
  if (checked != 0 && checked != length) __builtin_trap();
  std::vector<std::uint8_t> whole(checked);
  for (std::int64_t offset = 0; offset < checked; offset += kPiece) {
    Read(*reader, offset, whole.data() + offset, std::min(kPiece, checked - offset));
  }
  ReadAround(*reader, length, whole);
  // Opened again, the section keeps what was learnt of it.
  if (!rt::CloseExeFile(exe) || !rt::OpenExeFile(exe, path)) __builtin_trap();
  reader->Bind(exe, section);
  ReadAround(*reader, length, whole);
  if (reader->Size() != checked || !rt::CloseExeFile(exe)) __builtin_trap();
  return 0;
}
