// The start-up and the end of a program with its own main.
#include "runtime/main_start.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "base/every_run.h"
#include "platform/platform.h"
#include "platform/throw_records.h"
#include "platform/walk.h"
#include "runtime/core_unit.h"
#include "runtime/errors.h"
#include "runtime/exit.h"
#include "runtime/line_info.h"
#include "runtime/report.h"
#include "runtime/uncaught.h"
#include "runtime/units.h"

namespace rt {

namespace {

int program_argc = 0;
char** program_argv = nullptr;
char** program_envp = nullptr;

// What the program wrote to its standard output before a run-time error
// reaches the platform before the report does, as at a normal end.
QUIZ_EVERY_RUN void FlushProgramOutput() {
  std::cout.flush();
  std::clog.flush();
  std::fflush(stdout);
}

const UnitEntry kUnits[] = {
    {InitCoreRuntime, nullptr},
    {InitLineInfoUnit, FinalizeLineInfoUnit},
    {InstallTerminateHandler, FlushProgramOutput},  // the program
};

// Runs before the program's own static objects are constructed (the lowest
// priority a program may give its constructors): a fault or an exception
// that nothing catches in their constructors is reported. The exit path,
// registered first, runs last of all on every way out through std::exit,
// also when the program calls it itself: after the destructors of static
// objects and the program's own exit handlers, whose faults it reports too.
[[gnu::constructor(101)]] void StartRuntime() {
  platform::PrepareProcess(RaiseFault);
  platform::PrepareThreadStarts();
  platform::PrepareThrowRecords();
  FullReport = true;
  NoteStaticConstruction();
  InitializeUnits();
  platform::AtProcessEnd(InternalExit);
}

// The report's walk ends at main: this frame is the runtime's own.
QUIZ_EVERY_RUN [[noreturn]] void RunMain() {
  platform::SetWalkEnd(reinterpret_cast<std::uint64_t>(__builtin_dwarf_cfa()),
                       __builtin_frame_address(0));
  NoteMainBegins();
  int status = __real_main(program_argc, program_argv, program_envp);
  NoteMainReturned();
  std::exit(status);
}

}  // namespace

InitFinalTable InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

}  // namespace rt

// This file holds the program's entry (__wrap_main), so it is the first of
// the runtime's that the link takes, and these are the runtime's first code
// and constants in the program.
extern "C" void quiz_runtime_code() {}
extern "C" const char quiz_runtime_constants[] = "runtime";

QUIZ_EVERY_RUN int __wrap_main(int argc, char** argv, char** envp) {
  rt::program_argc = argc;
  rt::program_argv = argv;
  rt::program_envp = envp;
  // Not rt::Exe_Entry: it ends through the runtime's own exit, which skips
  // the C library's that the program's static objects and buffered streams
  // need.
  main_wrapper(rt::RunMain);
  std::abort();  // RunMain never returns
}
