// The start-up and the end of a program with its own main.
#include "runtime/main_start.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/platform.h"
#include "runtime/backtrace.h"
#include "runtime/core_unit.h"
#include "runtime/errors.h"
#include "runtime/exit.h"
#include "runtime/line_info.h"
#include "runtime/uncaught.h"
#include "runtime/units.h"

namespace rt {

namespace {

int program_argc = 0;
char** program_argv = nullptr;
char** program_envp = nullptr;

// What the program wrote to its standard output before a run-time error
// reaches the platform before the report does, as at a normal end.
void FlushProgramOutput() {
  std::cout.flush();
  std::clog.flush();
  std::fflush(stdout);
}

const UnitEntry kUnits[] = {
    {InitCoreRuntime, nullptr},
    {InitLineInfoUnit, FinalizeLineInfoUnit},
    {InstallTerminateHandler, FlushProgramOutput},  // the program
};

// Runs inside the wrapper's frame to the end: the C library's exit
// handlers and the destructors of static objects run below the recovery
// point too, so that a fault in them is reported.
[[noreturn]] void RunMain() {
  // The report's walk ends at main: this frame is the runtime's own.
  WalkEndFrame = reinterpret_cast<std::uint64_t>(__builtin_dwarf_cfa());
  InitializeUnits();
  // The units are finalised on every way out through std::exit, also when
  // the program calls it itself.
  std::atexit(InternalExit);
  std::exit(__real_main(program_argc, program_argv, program_envp));
}

}  // namespace

InitFinalTable InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

}  // namespace rt

int __wrap_main(int argc, char** argv, char** envp) {
  rt::program_argc = argc;
  rt::program_argv = argv;
  rt::program_envp = envp;
  platform::PrepareProcess();
  // Not rt::Exe_Entry: it ends through the runtime's own exit, which skips
  // the C library's that the program's static objects and buffered streams
  // need.
  main_wrapper(rt::RunMain, rt::RaiseFault);
  std::abort();  // RunMain never returns
}
