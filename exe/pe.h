// PE32+ images, an entry of the format table.
#pragma once

#include <cstdint>
#include <string_view>

#include "exe/exe_file.h"

namespace rt {

// Checks the signature and finds the section table, the COFF string table
// and the image base.
bool OpenPEPlusCOFF(TExeFile& exe);
bool FindSectionCOFF(TExeFile& exe, std::string_view name, ExeSection& section, bool& compressed);

}  // namespace rt
