// PE32+ images, an entry of the format table.
#pragma once

#include <cstdint>
#include <string_view>

#include "exe/exe_file.h"

namespace rt {

// Checks the signature and finds the section table, the COFF string table
// and the image base.
bool OpenPEPlusCOFF(TExeFile& exe);
bool FindSectionCOFF(TExeFile& exe, std::string_view name, ExeSection& section);
// The function symbol nearest below the address in its section, from the
// COFF symbol table (see pe_symbols.cpp).
bool FindSymbolCOFF(TExeFile& exe, std::uint64_t address, ExeNamePlace& name);
// The file offset of the COFF file header of an open image.
std::int64_t CoffFileHeader(const TExeFile& exe);

}  // namespace rt
