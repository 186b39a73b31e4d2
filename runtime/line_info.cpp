// Looking code addresses up in the line table of the module they came from.
// Every lookup opens the file, searches the units and closes it again. The
// readers below only report a failed read; here it becomes a run-time
// error, raised while the report is written, so that a second report with
// plain frame lines follows.
#include "runtime/line_info.h"

#include <cstddef>
#include <memory_resource>
#include <new>
#include <string>
#include <vector>

#include "base/frame_line.h"
#include "dwarf/debug_sections.h"
#include "dwarf/line/line_table.h"
#include "exe/exe_file.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/frame_line_hook.h"

namespace rt {

namespace {

// Where distributions put debug files; a build setting.
constexpr char kDebugRoot[] = QUIZ_DEBUG_ROOT;

// What lookups learnt of a module: the file that holds its line table
// (its debug link checked, its sections known), or that it has none to be
// read, so that it is not searched for again.
struct KnownModule {
  std::pmr::string name;
  bool has_lines = false;
  LineFile line_file;
};
// A report names a handful of modules; beyond this many the oldest is
// forgotten and searched for again if it comes back.
constexpr std::size_t kMaxKnownModules = 32;

// What lookups keep from one to the next.
struct LookupState {
  std::pmr::vector<KnownModule> known_modules;
  TExeFile exe;
  LineTable table;
  LineFileReaders readers;
  std::pmr::string table_module;  // the module whose line table the table has learnt
  std::uintptr_t load_delta = 0;
};

alignas(LookupState) unsigned char state_storage[sizeof(LookupState)];
LookupState* lookup_state = nullptr;

// Made at the first lookup, which the report makes once its own memory is
// the default resource: the containers keep the resource they were made
// with. Never destroyed, as the files are closed by the finalisation.
LookupState& State() {
  if (lookup_state == nullptr) lookup_state = ::new (state_storage) LookupState();
  return *lookup_state;
}

// Raises the I/O code of a read of the files that failed, if one did.
void RaiseFailedRead(std::uint16_t code) {
  if (code != 0) RunError(code);
}

const KnownModule* FindKnown(const std::pmr::string& name) {
  for (const KnownModule& module : State().known_modules) {
    if (module.name == name) return &module;
  }
  return nullptr;
}

// Finds where the module's line table is, the first time it is met.
const KnownModule& Learn(const std::pmr::string& name) {
  LookupState& state = State();
  KnownModule module;
  module.name = name;
  LineFileSearch search = FindLineFile(state.exe, name, kDebugRoot, module.line_file);
  RaiseFailedRead(search.io_error);
  module.has_lines = search.kind == LineFileSearch::kFound;
  if (state.known_modules.size() >= kMaxKnownModules) {
    state.known_modules.erase(state.known_modules.begin());
  }
  state.known_modules.push_back(std::move(module));
  return state.known_modules.back();
}

}  // namespace

void CloseDwarf() {
  if (lookup_state != nullptr) RaiseFailedRead(CloseExeFile(lookup_state->exe).io_error);
}

bool OpenDwarf(void* addr) {
  std::uintptr_t base = 0;
  std::pmr::string name;
  // An address that lies in no module (a call through a null or wild
  // pointer) has no line, whatever the program's table says of its number.
  if (!platform::GetModuleByAddr(addr, base, name)) return false;

  LookupState& state = State();
  const KnownModule* module = FindKnown(name);
  if (module == nullptr) {
    module = &Learn(name);
  } else if (module->has_lines) {
    FileResult opened = OpenExeFile(state.exe, module->line_file.name);
    RaiseFailedRead(opened.io_error);
    if (!opened) return false;
  }
  if (!module->has_lines) return false;
  if (state.table_module != name) {
    state.table_module = name;
    state.table.Forget();
    state.readers.Forget();
  }
  // Line tables hold link-time addresses.
  state.load_delta = base - state.exe.image_base;
  state.readers.Bind(state.exe, module->line_file);
  return true;
}

bool GetLineInfo(void* addr, SourceFrames& frames) {
  frames.clear();
  LookupState& state = State();
  if (!IsOpen(state.exe) && !OpenDwarf(addr)) return false;
  std::uint64_t target = reinterpret_cast<std::uintptr_t>(addr) - state.load_delta;
  std::uint16_t io_error = state.table.Lookup(state.readers.sources(), target, frames);
  // The file is closed before a failed read is raised: the second report
  // opens it afresh, if it looks anything up.
  FileResult closed = CloseExeFile(state.exe);
  RaiseFailedRead(io_error != 0 ? io_error : closed.io_error);
  return true;
}

namespace {

// The frame line of addr with the innermost source frame of the address
// looked up.
Text FrameLineOf(void* addr, std::uintptr_t looked_up) {
  // A run-time error raised during the lookup gets plain frame lines and
  // does not come back here.
  BackTraceStrProc kept = BackTraceStrFunc, kept_fault = FaultAddrStrFunc;
  BackTraceStrFunc = FaultAddrStrFunc = SysBackTraceStr;
  SourceFrames frames;
  // A module whose lines cannot be had costs only its own frame lines: the
  // formatter stays for the others.
  GetLineInfo(reinterpret_cast<void*>(looked_up), frames);
  Text text = FrameLine(reinterpret_cast<std::uintptr_t>(addr), frames);
  BackTraceStrFunc = kept;
  FaultAddrStrFunc = kept_fault;
  return text;
}

}  // namespace

Text DwarfBackTraceStr(void* addr) {
  return FrameLineOf(addr, reinterpret_cast<std::uintptr_t>(addr));
}

// The lookup gives an address the row strictly below it, as a return
// address wants; the row that begins at an instruction is the one strictly
// below the instruction's next byte.
Text DwarfFaultAddrStr(void* addr) {
  return FrameLineOf(addr, reinterpret_cast<std::uintptr_t>(addr) + 1);
}

void InitLineInfoUnit() {
  BackTraceStrFunc = DwarfBackTraceStr;
  FaultAddrStrFunc = DwarfFaultAddrStr;
}

void FinalizeLineInfoUnit() {
  if (lookup_state != nullptr && IsOpen(lookup_state->exe)) CloseDwarf();
}

}  // namespace rt
