// Function names from the symbol table of the module that holds a code
// address, for frames that no debugging entry names.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace rt {

// The name of the function symbol that holds code in its module, demangled;
// empty where the module has none there or its file cannot be read.
Text ModuleSymbolName(std::uintptr_t code);

}  // namespace rt
