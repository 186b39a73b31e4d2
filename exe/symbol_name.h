// The readable name of the function symbol that holds an address: what a
// frame shows where no debugging entry names its function.
#pragma once

#include <cstdint>

#include "base/text.h"
#include "exe/exe_file.h"

namespace rt {

// The name of the function symbol of the open file that holds a link-time
// address, demangled to the function's qualified name without parameters;
// empty where no symbol holds it or a read failed.
Text FunctionSymbolName(TExeFile& exe, std::uint64_t address);

}  // namespace rt
