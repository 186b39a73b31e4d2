// frameline FILE ADDRESS...: prints, for each hexadecimal address, the frame
// line that an error report would show for it, with FILE read at its own
// image base. Exit status 0 when FILE could be read, 2 otherwise.
#include <string_view>
#include <vector>

#include "console/io_result.h"
#include "console/text_io.h"
#include "platform/platform.h"
#include "runtime/backtrace.h"
#include "runtime/errors.h"
#include "runtime/exe_file.h"
#include "runtime/exit.h"
#include "runtime/line_info.h"
#include "runtime/units.h"

namespace {

const rt::UnitEntry kUnits[] = {
    {rt::InitCoreRuntime, nullptr},
    {rt::InitLineInfoUnit, rt::FinalizeLineInfoUnit},
};

std::vector<std::string_view> arguments;

constexpr int kUnusable = 2;

// Hexadecimal, with or without "0x"; false for anything else.
bool ParseAddress(std::string_view text, std::uintptr_t& value) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 16) return false;
  value = 0;
  for (char c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uintptr_t>(digit);
  }
  return true;
}

[[noreturn]] void Fail(std::string_view message, std::string_view detail) {
  rt::WriteText(0, rt::StdErr, "frameline: ");
  rt::WriteText(0, rt::StdErr, message);
  rt::WriteText(0, rt::StdErr, detail);
  rt::WriteLineEnd(rt::StdErr);
  rt::Halt(kUnusable);
}

[[noreturn]] void Run() {
  // A developer tool: plain LF line ends.
  rt::DefaultTextLineBreakStyle = 0;
  rt::InitializeUnits();
  if (arguments.size() < 2) Fail("usage: frameline FILE ADDRESS...", "");
  std::vector<std::uintptr_t> addresses;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::uintptr_t address;
    if (!ParseAddress(arguments[i], address)) Fail("not a hexadecimal address: ", arguments[i]);
    addresses.push_back(address);
  }
  rt::TExeFile probe;
  if (!rt::OpenExeFile(probe, arguments[0])) Fail("cannot read an executable from ", arguments[0]);
  rt::CloseExeFile(probe);

  rt::UseLineInfoFile(arguments[0]);
  for (std::uintptr_t address : addresses) {
    rt::TextRec& out = rt::CurrentOutput();
    rt::WriteText(0, out, rt::BackTraceStrFunc(reinterpret_cast<void*>(address)).view());
    rt::CheckIOResult();
    rt::WriteLineEnd(out);
    rt::CheckIOResult();
  }
  rt::Do_Exit();
}

}  // namespace

rt::InitFinalTable rt::InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  platform::PrepareProcess();
  rt::operatingsystem_result = 0;
  main_wrapper(Run, rt::RunError);
  rt::System_Exit();
}
