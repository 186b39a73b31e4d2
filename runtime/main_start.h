// The runtime around a program's own main. The program is linked with main
// wrapped (QuizRuntime::report links with --wrap=main): the C library's
// start-up calls __wrap_main, and the program's main is __real_main.
#pragma once

extern "C" {

// Runs main through the process entry's wrapper and ends the process with
// the status main returns, as std::exit does. The runtime started before
// the program's static objects were constructed (the fault handler, then
// the units: the core runtime, the line information, and the program's
// own): a processor fault, an abort or an exception that nothing catches,
// in any thread, before main, in it or after it, ends in the report.
[[noreturn]] int __wrap_main(int argc, char** argv, char** envp);

int __real_main(int argc, char** argv, char** envp);
}
