// Looking code addresses up in the line table of the file they came from.
// Every lookup opens the file, searches the units in order and closes it
// again; a small index of what earlier lookups learnt about each unit lets
// later ones skip units that cannot hold the address, with the same answers.
#include "runtime/line_info.h"

#include <string>
#include <vector>

#include "runtime/backtrace.h"
#include "runtime/exe_file.h"
#include "runtime/line_program.h"
#include "runtime/line_reader.h"

namespace rt {

bool DwarfUnavailable = false;

namespace {

TExeFile exe;
LineReader reader;

// The file that lookups read, once found for a module: the module's own
// file or its debug file, and where the sections lie in it.
struct LineFile {
  bool known = false;
  std::string module_name;
  std::string file_name;
  std::int64_t line_offset = 0, line_length = 0;
  StringSections strings;
};
LineFile line_file;
std::uintptr_t load_delta = 0;
std::string fixed_file;  // set by UseLineInfoFile

// What earlier lookups learnt about the units, in section order.
constexpr std::uint64_t kUnknown = UINT64_MAX;
struct UnitSpan {
  std::int64_t offset, next;
  std::uint64_t first_address;  // kUnknown until seen
  std::uint64_t max_address;    // kUnknown until the unit was read whole
};
// Half a megabyte at most: beyond it, units are simply read every time.
constexpr std::size_t kMaxIndexedUnits = 16384;
std::vector<UnitSpan> units;  // reserved whole at first use: it never moves

void Remember(std::size_t i, std::int64_t offset, std::int64_t next, const UnitSearch& search) {
  if (i >= units.size()) {
    // Only the next unit in order can join, and only while there is room.
    if (i > units.size() || units.size() >= kMaxIndexedUnits) return;
    if (units.capacity() == 0) units.reserve(kMaxIndexedUnits);
    units.push_back({offset, next, kUnknown, kUnknown});
  }
  UnitSpan& span = units[i];
  if (search.has_first_address) span.first_address = search.first_address;
  if (search.scanned_whole) span.max_address = search.max_address;
}

bool CannotHold(std::size_t i, std::int64_t offset, std::uint64_t target) {
  if (i >= units.size() || units[i].offset != offset) return false;
  const UnitSpan& span = units[i];
  return (span.first_address != kUnknown && target < span.first_address) ||
         (span.max_address != kUnknown && target > span.max_address);
}

void FindStringSections(StringSections& strings) {
  if (!FindExeSection(exe, ".debug_line_str", strings.line_str_offset, strings.line_str_length)) {
    strings.line_str_offset = strings.line_str_length = 0;
  }
  if (!FindExeSection(exe, ".debug_str", strings.str_offset, strings.str_length)) {
    strings.str_offset = strings.str_length = 0;
  }
}

}  // namespace

void UseLineInfoFile(std::string_view name) {
  fixed_file.assign(name);
  line_file = LineFile();
  units.clear();
}

void CloseDwarf() {
  CloseExeFile(exe);
}

bool OpenDwarf(void* addr) {
  if (DwarfUnavailable) return false;
  std::uintptr_t base = 0;
  std::string name;
  if (fixed_file.empty()) {
    GetModuleByAddr(addr, base, name);
  } else {
    name = fixed_file;
  }

  // A module met before: its file and sections are known, and its debug
  // link has been checked already.
  if (line_file.known && line_file.module_name == name) {
    if (!OpenExeFile(exe, line_file.file_name)) return false;
    reader.Bind(&exe);
    load_delta = fixed_file.empty() ? base - exe.processaddress : 0;
    return true;
  }

  if (!OpenExeFile(exe, name)) return false;
  std::string debug_name;
  if (ReadDebugLink(exe, debug_name)) {
    CloseExeFile(exe);
    if (!OpenExeFile(exe, debug_name)) return false;
  } else {
    debug_name = name;
  }
  // A tool reads the file at its own image base.
  load_delta = fixed_file.empty() ? base - exe.processaddress : 0;
  LineFile found;
  if (!FindExeSection(exe, ".debug_line", found.line_offset, found.line_length)) {
    DwarfUnavailable = true;
    CloseDwarf();
    return false;
  }
  FindStringSections(found.strings);
  found.known = true;
  found.module_name = name;
  found.file_name = debug_name;
  line_file = found;
  units.clear();
  reader.Bind(&exe);
  return true;
}

bool GetLineInfo(void* addr, Text& source, std::int32_t& line) {
  source = Text();
  line = 0;
  if (DwarfUnavailable) return false;
  if (!exe.isopen && !OpenDwarf(addr)) return false;
  // Line tables hold link-time addresses.
  std::uint64_t target = reinterpret_cast<std::uintptr_t>(addr) - load_delta;
  std::int64_t offset = line_file.line_offset;
  std::int64_t end = offset + line_file.line_length;
  UnitSearch search;
  for (std::size_t i = 0; offset < end && !search.found; ++i) {
    if (CannotHold(i, offset, target)) {
      offset = units[i].next;
      continue;
    }
    std::int64_t next =
        ParseCompilationUnit(reader, line_file.strings, target, offset, end, search);
    Remember(i, offset, next, search);
    offset = next;
  }
  if (search.found) {
    source = search.source;
    line = static_cast<std::int32_t>(search.line);
  }
  if (exe.isopen) CloseDwarf();
  return true;
}

Text DwarfBackTraceStr(void* addr) {
  // A run-time error raised during the lookup gets plain frame lines and
  // does not come back here.
  BackTraceStrProc kept = BackTraceStrFunc;
  BackTraceStrFunc = SysBackTraceStr;
  Text source;
  std::int32_t line = 0;
  bool ok = GetLineInfo(addr, source, line);
  Text text = SysBackTraceStr(addr);
  if (source.length != 0) {
    if (line != 0) {
      text.Append(" line ");
      text.AppendDecimal(line);
    }
    text.Append(" of ");
    text.Append(source.view());
  }
  // After a failed open every later frame line stays plain.
  if (ok) BackTraceStrFunc = kept;
  return text;
}

void InitLineInfoUnit() {
  BackTraceStrFunc = DwarfBackTraceStr;
}

void FinalizeLineInfoUnit() {
  if (exe.isopen) CloseDwarf();
}

}  // namespace rt
