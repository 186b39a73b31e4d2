// Looking code addresses up in the line table of the module they came from.
// Every lookup opens the file, searches the units and closes it again. The
// readers below only report a failed read; here it becomes a run-time
// error, raised while the report is written, so that a second report with
// plain frame lines follows.
#include "runtime/line_info.h"

#include <string>

#include "base/frame_line.h"
#include "dwarf/debug_sections.h"
#include "dwarf/line_table.h"
#include "exe/exe_file.h"
#include "platform/platform.h"
#include "runtime/backtrace.h"
#include "runtime/errors.h"

namespace rt {

bool DwarfUnavailable = false;

namespace {

// Where distributions put debug files; a build setting.
constexpr char kDebugRoot[] = QUIZ_DEBUG_ROOT;

TExeFile exe;
LineTable table;
LineFileReaders readers;
std::uintptr_t load_delta = 0;

// The file that lookups read, once found for a module: its debug link has
// been checked already, and its sections are known.
bool line_file_known = false;
std::string module_name;
LineFile line_file;

// Raises the I/O code of a read of the files that failed, if one did.
void RaiseFailedRead(std::uint16_t code) {
  if (code != 0) RunError(code);
}

}  // namespace

void CloseDwarf() {
  RaiseFailedRead(CloseExeFile(exe).io_error);
}

bool OpenDwarf(void* addr) {
  if (DwarfUnavailable) return false;
  std::uintptr_t base = 0;
  std::string name;
  platform::GetModuleByAddr(addr, base, name);

  if (line_file_known && module_name == name) {
    FileResult opened = OpenExeFile(exe, line_file.name);
    RaiseFailedRead(opened.io_error);
    if (!opened) return false;
  } else {
    LineFileSearch search = FindLineFile(exe, name, kDebugRoot, line_file);
    RaiseFailedRead(search.io_error);
    if (search.kind == LineFileSearch::kNoLineTable) DwarfUnavailable = true;
    if (search.kind != LineFileSearch::kFound) return false;
    line_file_known = true;
    module_name = name;
    table.Forget();
    readers.Forget();
  }
  // Line tables hold link-time addresses.
  load_delta = base - exe.image_base;
  readers.Bind(exe, line_file);
  return true;
}

bool GetLineInfo(void* addr, Text& source, std::int32_t& line) {
  source = Text();
  line = 0;
  if (DwarfUnavailable) return false;
  if (!IsOpen(exe) && !OpenDwarf(addr)) return false;
  std::uint64_t target = reinterpret_cast<std::uintptr_t>(addr) - load_delta;
  SourcePosition position;
  std::uint16_t io_error = table.Lookup(readers.sources(), target, position);
  source = position.source;
  line = position.line;
  // The file is closed before a failed read is raised: the second report
  // opens it afresh, if it looks anything up.
  FileResult closed = CloseExeFile(exe);
  RaiseFailedRead(io_error != 0 ? io_error : closed.io_error);
  return true;
}

namespace {

// The frame line of addr with the source position of the address looked up.
Text FrameLineOf(void* addr, std::uintptr_t looked_up) {
  // A run-time error raised during the lookup gets plain frame lines and
  // does not come back here.
  BackTraceStrProc kept = BackTraceStrFunc, kept_fault = FaultAddrStrFunc;
  BackTraceStrFunc = FaultAddrStrFunc = SysBackTraceStr;
  Text source;
  std::int32_t line = 0;
  bool ok = GetLineInfo(reinterpret_cast<void*>(looked_up), source, line);
  Text text = PlainFrameLine(reinterpret_cast<std::uintptr_t>(addr));
  AppendSourcePosition(text, source.view(), line);
  // After a failed open every later frame line stays plain.
  if (ok) {
    BackTraceStrFunc = kept;
    FaultAddrStrFunc = kept_fault;
  }
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
  if (IsOpen(exe)) CloseDwarf();
}

}  // namespace rt
