// Writes the seed corpus of the executable-reader fuzz target: small PE and
// ELF images, valid and slightly broken, into DIR/exe_fuzz/.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "tests/support/image_builder.h"

using namespace testing_support;

namespace {

PeImage Pe() {
  PeImage pe;
  pe.sections = {{".text", Bytes(32, '\x90')},
                 {".debug_line", Bytes("\x20\0\0\0\x04\0", 6) + Bytes(30, '\1')},
                 {".gnu_debuglink", DebugLinkSection("exe.debug", 0x12345678)},
                 {".data", "data"}};
  return pe;
}

ElfImage Elf() {
  ElfImage elf;
  elf.load_addresses = {0x401000, 0x400000};
  elf.sections = {{".text", kProgBits, 6, Bytes(32, '\x90')},
                  {".debug_line", kProgBits, 0, Bytes("\x20\0\0\0\x05\0", 6) + Bytes(30, '\1')},
                  {".bss", kNoBits, 3, "", {}, 4096},
                  {".debug_line_str", kProgBits, kShfCompressed, "zz"},
                  {".gnu_debuglink", kProgBits, 0, DebugLinkSection("ab.debug", 0)}};
  return elf;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  std::map<std::string, Bytes> seeds;
  seeds["pe"] = Pe().Build();
  PeImage pe = Pe();
  pe.sections.push_back({"", "x", "/abc"});
  pe.sections.push_back({"", "y", "/12x"});
  pe.sections.push_back({".textbss", "eight"});
  pe.strings_terminated = false;
  seeds["pe_odd_names"] = pe.Build();
  pe = Pe();
  pe.sections[1].virtual_size = 100;
  pe.section_count = 65535;
  seeds["pe_broken_sizes"] = pe.Build();
  seeds["pe_truncated"] = Pe().Build().substr(0, 300);

  seeds["elf"] = Elf().Build();
  ElfImage elf = Elf();
  elf.extended_numbering = true;
  seeds["elf_extended"] = elf.Build();
  elf = Elf();
  elf.names_terminated = false;
  elf.sections[1].name_offset = 0xFFFF;
  seeds["elf_odd_names"] = elf.Build();
  elf = Elf();
  elf.shstrndx = 3;
  seeds["elf_nobits_names"] = elf.Build();
  elf = Elf();
  elf.encoding = 2;
  seeds["elf_big_endian"] = elf.Build();
  seeds["elf_truncated"] = Elf().Build().substr(0, 200);

  std::filesystem::path dir = std::filesystem::path(argv[1]) / "exe_fuzz";
  std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : seeds) {
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", (dir / name).c_str());
      return 1;
    }
  }
  return 0;
}
