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

#include "base/every_run.h"
#include "base/frame_line.h"
#include "dwarf/debug_sections.h"
#include "dwarf/source_lookup.h"
#include "exe/exe_file.h"
#include "platform/platform.h"
#include "runtime/backtrace.h"
#include "runtime/errors.h"
#include "runtime/frame_line_hook.h"
#include "runtime/module_registry.h"
#include "runtime/module_symbols.h"

namespace rt {

namespace {

// Where distributions put debug files; a build setting.
constexpr char kDebugRoot[] = QUIZ_DEBUG_ROOT;

// What lookups keep from one to the next.
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
// with. Never destroyed, as the files are closed by the finalisation.
LookupState& State() {
  if (lookup_state == nullptr) lookup_state = ::new (state_storage) LookupState();
  return *lookup_state;
}

// Raises the I/O code of a read of the files that failed, if one did.
void RaiseFailedRead(std::uint16_t code) {
  if (code != 0) RunError(code);
}

// Finds where the module's line table is, the first time it is met.
void Learn(KnownModule& module) {
  LookupState& state = State();
  LineFileSearch search = FindLineFile(state.exe, module.name, kDebugRoot, module.line_file);
  RaiseFailedRead(search.io_error);
  module.lines = search.kind == LineFileSearch::kFound ? ModuleSearch::kFound : ModuleSearch::kNone;
  if (module.has_lines()) PlaceModule(module, state.exe);
}

}  // namespace

void CloseDwarf() {
  if (lookup_state != nullptr) RaiseFailedRead(CloseExeFile(lookup_state->exe).io_error);
}

bool OpenDwarf(void* addr) {
  // An address that lies in no module (a call through a null or wild
  // pointer) has no line, whatever the program's table says of its number.
  KnownModule* module = ModuleOf(reinterpret_cast<std::uintptr_t>(addr));
  if (module == nullptr) return false;

  LookupState& state = State();
  if (module->lines == ModuleSearch::kNotYet) {
    Learn(*module);
  } else if (module->has_lines()) {
    FileResult opened = OpenExeFile(state.exe, module->line_file.name);
    RaiseFailedRead(opened.io_error);
    if (!opened) return false;
  }
  if (!module->has_lines()) return false;
  if (state.table_module != module->name) {
    state.table_module = module->name;
    state.table.Forget();
    state.readers.Forget();
  }
  state.load_delta = module->load_delta;
  state.readers.Bind(state.exe, module->line_file);
  return true;
}

bool GetLineInfo(void* addr, SourceFrames& frames, unsigned detail) {
  frames.clear();
  LookupState& state = State();
  if (!IsOpen(state.exe) && !OpenDwarf(addr)) return false;
  std::uint64_t target = reinterpret_cast<std::uintptr_t>(addr) - state.load_delta;
  std::uint16_t io_error =
      state.table.LookupMany(state.readers.sources(), &target, 1, &frames, detail);
  // The file is closed before a failed read is raised: the second report
  // opens it afresh, if it looks anything up.
  FileResult closed = CloseExeFile(state.exe);
  RaiseFailedRead(io_error != 0 ? io_error : closed.io_error);
  return true;
}

namespace {

// The source frames of the address looked up, as the line-information
// unit's formatters see them: a run-time error raised during the lookup
// gets plain frame lines and does not come back here.
void LookUp(std::uintptr_t looked_up, unsigned detail, SourceFrames& frames) {
  BackTraceStrProc kept = BackTraceStrFunc, kept_fault = FaultAddrStrFunc;
  FrameLinesProc kept_lines = FrameLinesFunc;
  BackTraceStrFunc = FaultAddrStrFunc = SysBackTraceStr;
  FrameLinesFunc = SysFrameLines;
  // A module whose lines cannot be had costs only its own frame lines: the
  // formatter stays for the others.
  GetLineInfo(reinterpret_cast<void*>(looked_up), frames, detail);
  BackTraceStrFunc = kept;
  FaultAddrStrFunc = kept_fault;
  FrameLinesFunc = kept_lines;
}

// The frame line of addr with the innermost source frame of the address
// looked up.
Text FrameLineOf(void* addr, std::uintptr_t looked_up) {
  SourceFrames frames;
  LookUp(looked_up, kLinesOnly, frames);
  return FrameLine(reinterpret_cast<std::uintptr_t>(addr), frames);
}

// The module named in a frame line: empty for the program itself.
std::string_view ModuleLabel(std::uintptr_t addr) {
  static std::uintptr_t program_base = 0;
  if (program_base == 0) {
    std::pmr::string name;
    platform::GetModuleByAddr(reinterpret_cast<const void*>(&InitLineInfoUnit), program_base, name);
  }
  KnownModule* module = ModuleOf(addr);
  if (module == nullptr || module->base == program_base) return {};
  return module->name;
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

void DwarfFrameLines(void* addr, bool at_fault, FrameLines& lines) {
  // A program that installed a formatter of its own keeps its one line.
  if (BackTraceStrFunc != DwarfBackTraceStr || FaultAddrStrFunc != DwarfFaultAddrStr) {
    SysFrameLines(addr, at_fault, lines);
    return;
  }
  lines.count = 0;
  std::uintptr_t code = reinterpret_cast<std::uintptr_t>(addr);
  SourceFrames frames;
  LookUp(code + (at_fault ? 1 : 0), kInlinedCalls | kFunctionNames, frames);
  if (frames.empty()) frames.emplace_back();
  // The symbol table names the function that no debugging entry does.
  if (frames.front().function.length == 0) {
    frames.front().function = ModuleSymbolName(code - (at_fault ? 0 : 1));
  }
  std::string_view module = ModuleLabel(code);
  for (const SourceFrame& frame : frames) lines.Add(NamedFrameLine(code, frame, module));
}

QUIZ_EVERY_RUN void InitLineInfoUnit() {
  BackTraceStrFunc = DwarfBackTraceStr;
  FaultAddrStrFunc = DwarfFaultAddrStr;
  if (FrameLinesInFull) FrameLinesFunc = DwarfFrameLines;
}

QUIZ_EVERY_RUN void FinalizeLineInfoUnit() {
  if (lookup_state != nullptr && IsOpen(lookup_state->exe)) CloseDwarf();
}

}  // namespace rt
