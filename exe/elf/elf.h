// ELF64 little-endian files, an entry of the format table.
#pragma once

#include <cstdint>
#include <string_view>

#include "exe/exe_file.h"

namespace rt {

// Checks the header and finds the section table and the image base (the
// lowest loadable segment's address, rounded down to its page).
bool OpenElf64(TExeFile& exe);
bool FindSectionElf64(TExeFile& exe, std::string_view name, ExeSection& section);
// The function symbol that holds the address, from the full symbol table
// or, in a file without one, from the dynamic one (see elf_symbols.cpp).
bool FindSymbolElf64(TExeFile& exe, std::uint64_t address, ExeNamePlace& name);

}  // namespace rt
