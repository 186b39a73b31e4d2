// Asks for a name and greets it. The program is written as the quiz is: a
// unit table, and a main routine that the process entry starts. Each console
// operation is followed by the I/O check on the same line, so a failed one
// ends the program with a report that names the line of that statement.
#include "console/io_result.h"
#include "console/read_ops.h"
#include "console/std_streams.h"
#include "console/tagged_string.h"
#include "console/write_ops.h"
#include "runtime/core_unit.h"
#include "runtime/exit.h"
#include "runtime/line_info.h"
#include "runtime/start.h"
#include "runtime/units.h"

namespace {

// The program's unit: the name read, released at the end.
rt::TaggedString name;

void FinalizeGreeting() {
  name.Release();
}

// Initialised in this order at the start, finalised in reverse at the end.
const rt::UnitEntry kUnits[] = {
    {rt::InitCoreRuntime, nullptr},
    {rt::InitLineInfoUnit, rt::FinalizeLineInfoUnit},
    {nullptr, FinalizeGreeting},
};

void Greet() {
  using rt::CheckIOResult;
  rt::InitializeUnits();

  rt::TextRec& out = rt::CurrentOutput();
  rt::TextRec& in = rt::CurrentInput();
  rt::WriteText(0, out, "Your name?"), CheckIOResult();
  rt::WriteLineEnd(out), CheckIOResult();
  rt::ReadLineString(in, name, 0), CheckIOResult();
  rt::ReadLineEnd(in), CheckIOResult();
  rt::WriteText(0, out, "Hello, "), CheckIOResult();
  rt::WriteText(0, out, name.bytes()), CheckIOResult();
  rt::WriteText(0, out, "!"), CheckIOResult();
  rt::WriteLineEnd(out), CheckIOResult();

  rt::Do_Exit();
}

}  // namespace

rt::InitFinalTable rt::InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

int main() {
  rt::Exe_Entry(Greet);
}
