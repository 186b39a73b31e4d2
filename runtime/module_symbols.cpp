// Reading a module's symbol table for a frame's function.
#include "runtime/module_symbols.h"

#include <new>

#include "exe/exe_file.h"
#include "exe/symbol_name.h"
#include "runtime/module_registry.h"

namespace rt {

namespace {

// Made at the first lookup, inside the report, so that its name's storage
// is the report's own; the file is closed after each lookup.
TExeFile& SymbolFile() {
  alignas(TExeFile) static unsigned char storage[sizeof(TExeFile)];
  static TExeFile* file = ::new (storage) TExeFile();
  return *file;
}

}  // namespace

Text ModuleSymbolName(std::uintptr_t code) {
  KnownModule* module = ModuleOf(code);
  if (module == nullptr) return Text();
  TExeFile& exe = SymbolFile();
  // A name is a help, not a need: a file that cannot be read gives none.
  if (!OpenExeFile(exe, module->name)) return Text();
  PlaceModule(*module, exe);
  Text name = FunctionSymbolName(exe, code - module->load_delta);
  CloseExeFile(exe);
  return name;
}

}  // namespace rt
