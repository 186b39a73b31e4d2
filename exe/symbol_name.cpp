// Naming a function by the symbol table.
#include "exe/symbol_name.h"

#include <string_view>

#include "demangle/demangle.h"
#include "exe/symbols.h"

namespace rt {

Text FunctionSymbolName(TExeFile& exe, std::uint64_t address) {
  // A mangled name the demangler takes whole is at most this long; a longer
  // one is shown cut, as it stands.
  char symbol[kMaxMangledLength];
  SymbolName found = FindFunctionSymbol(exe, address, symbol);
  if (!found.found) return Text();
  std::string_view name(symbol, found.length);
  Text readable;
  if (!found.cut && DemangleName(name, readable)) return readable;
  return Text(name);
}

}  // namespace rt
