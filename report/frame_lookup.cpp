// Naming a frame's function by the symbol table, and its module.
#include "report/frame_lookup.h"

#include <memory_resource>
#include <new>
#include <string>
#include <string_view>

#include "exe/exe_file.h"
#include "exe/symbol_name.h"
#include "platform/platform.h"
#include "report/module_registry.h"

namespace rt {

namespace {

// Made at the first lookup, inside the report, so that its name's storage
// is the report's own; the file is closed after each lookup.
TExeFile& SymbolFile() {
  alignas(TExeFile) static unsigned char storage[sizeof(TExeFile)];
  static TExeFile* file = ::new (storage) TExeFile();
  return *file;
}

// The name of the function symbol that holds code in its module.
Text SymbolName(KnownModule& module, std::uint64_t code) {
  TExeFile& exe = SymbolFile();
  // A name is a help, not a need: a file that cannot be read gives none.
  if (!OpenExeFile(exe, module.name)) return Text();
  PlaceModule(module, exe);
  Text name = FunctionSymbolName(exe, code - module.load_delta);
  CloseExeFile(exe);
  return name;
}

// Where the program itself is loaded: the report is linked into it.
std::uintptr_t ProgramBase() {
  static std::uintptr_t base = 0;
  if (base == 0) {
    std::pmr::string name;
    platform::GetModuleByAddr(reinterpret_cast<const void*>(&NameFrame), base, name);
  }
  return base;
}

// The module's file name without its folders.
Text ModuleLabel(const KnownModule& module) {
  std::string_view name = module.name;
  std::size_t slash = name.find_last_of("/\\");
  Text label;
  label.Append(slash == std::string_view::npos ? name : name.substr(slash + 1));
  return label;
}

}  // namespace

void NameFrame(ReportFrame& frame) {
  if (frame.sources.empty()) frame.sources.emplace_back();
  KnownModule* module = ModuleOf(frame.instruction());
  if (module == nullptr) return;
  if (frame.sources.front().function.length == 0) {
    frame.sources.front().function = SymbolName(*module, frame.instruction());
  }
  if (module->base != ProgramBase()) frame.module = ModuleLabel(*module);
}

bool IsOwnSource(std::string_view file) {
  if (file.empty()) return false;
  for (std::string_view system :
       {"/usr/include/", "/usr/lib/", "/usr/local/include/", "/usr/share/"}) {
    if (file.starts_with(system)) return false;
  }
  return file.find("/include/c++/") == std::string_view::npos;
}

bool InProgram(std::uint64_t code) {
  KnownModule* module = ModuleOf(code);
  return module != nullptr && module->base == ProgramBase();
}

bool IsOwnLine(const ReportFrame& frame, std::size_t source) {
  if (frame.resolution != ReportFrame::Resolution::kSources || source >= frame.sources.size())
    return false;
  const SourceFrame& line = frame.sources[source];
  return line.line > 0 && InProgram(frame.code()) && IsOwnSource(line.file.view());
}

}  // namespace rt
