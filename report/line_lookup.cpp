// The state that lookups keep from one to the next.
#include "report/line_lookup.h"

#include <memory_resource>
#include <new>
#include <string>

#include "dwarf/debug_sections.h"
#include "dwarf/source_lookup.h"
#include "exe/exe_file.h"
#include "exe/file_io.h"
#include "report/module_registry.h"

namespace rt {

namespace {

// Where distributions put debug files; a build setting.
constexpr char kDebugRoot[] = QUIZ_DEBUG_ROOT;

struct LookupState {
  TExeFile exe;
  SourceLookup table;
  LineFileReaders readers;
  std::pmr::string table_module;  // the module whose line table the table has learnt
  std::uint64_t load_delta = 0;   // of the module whose file exe has open
};

alignas(LookupState) unsigned char state_storage[sizeof(LookupState)];
LookupState* lookup_state = nullptr;

// Made at the first lookup, which the report makes once its own memory is
// the default resource: the containers keep the resource they were made
// with. Never destroyed, as the files are closed by the runtime's
// finalisation.
LookupState& State() {
  if (lookup_state == nullptr) lookup_state = ::new (state_storage) LookupState();
  return *lookup_state;
}

// Finds where the module's line table is, the first time it is met; a
// failed read leaves the module to be searched for again.
std::uint16_t Learn(KnownModule& module) {
  LookupState& state = State();
  LineFileSearch search = FindLineFile(state.exe, module.name, kDebugRoot, module.line_file);
  if (search.io_error != 0) return search.io_error;
  module.lines = search.kind == LineFileSearch::kFound ? ModuleSearch::kFound : ModuleSearch::kNone;
  if (module.has_lines()) PlaceModule(module, state.exe);
  return 0;
}

}  // namespace

FileResult OpenModuleLines(std::uint64_t addr) {
  // An address that lies in no module (a call through a null or wild
  // pointer) has no line, whatever the program's table says of its number.
  KnownModule* module = ModuleOf(addr);
  if (module == nullptr) return {};
  LookupState& state = State();
  if (module->lines == ModuleSearch::kNotYet) {
    if (std::uint16_t io_error = Learn(*module); io_error != 0) return {false, io_error};
  } else if (module->has_lines()) {
    FileResult opened = OpenExeFile(state.exe, module->line_file.name);
    if (!opened) return opened;
  }
  if (!module->has_lines()) return {};
  if (state.table_module != module->name) {
    state.table_module = module->name;
    state.table.Forget();
    state.readers.Forget();
  }
  state.load_delta = module->load_delta;
  state.readers.Bind(state.exe, module->line_file);
  return {true, 0};
}

bool ModuleLinesOpen() {
  return lookup_state != nullptr && IsOpen(lookup_state->exe);
}

std::uint16_t LookUpSourceFrames(std::uint64_t addr, SourceFrames& frames, unsigned detail) {
  LookupState& state = State();
  std::uint64_t target = addr - state.load_delta;
  std::uint16_t io_error =
      state.table.LookupMany(state.readers.sources(), &target, 1, &frames, detail);
  // The file is closed before a failed read is reported: the next lookup
  // opens it afresh.
  FileResult closed = CloseExeFile(state.exe);
  return io_error != 0 ? io_error : closed.io_error;
}

bool LookUpSourceFile(std::uint64_t addr, const SourceFrame& source, SourceFile& file,
                      std::int64_t& module_written) {
  if (!OpenModuleLines(addr).ok) return false;
  bool found = FindSourceFile(State().readers.sources(), source, file);
  CloseModuleLines();
  KnownModule* module = ModuleOf(addr);
  module_written = INT64_MAX;
  if (module != nullptr) {
    FileRec program;
    FileOpenRead(program, module->name);
    module_written = FileWriteTime(program);
    FileClose(program);
  }
  return found;
}

bool OpenFrameFunctions(std::uint64_t instruction, FrameFunctions& found) {
  if (!OpenModuleLines(instruction).ok) return false;
  LookupState& state = State();
  found.sources = &state.readers.sources();
  found.load_delta = state.load_delta;
  return state.table.FindFunctions(state.readers.sources(), instruction - state.load_delta,
                                   found.chain);
}

bool ProgramHasLines() {
  const std::uint64_t program = reinterpret_cast<std::uintptr_t>(&ProgramHasLines);
  KnownModule* module = ModuleOf(program);
  if (module == nullptr) return true;
  if (module->lines == ModuleSearch::kNotYet && OpenModuleLines(program).ok) CloseModuleLines();
  module = ModuleOf(program);
  return module == nullptr || module->lines != ModuleSearch::kNone;
}

FileResult CloseModuleLines() {
  if (lookup_state == nullptr) return {true, 0};
  return CloseExeFile(lookup_state->exe);
}

}  // namespace rt
