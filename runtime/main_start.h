// The runtime around a program's own main. The program is linked with main
// wrapped (QuizRuntime::report links with --wrap=main): the C library's
// start-up calls __wrap_main, and the program's main is __real_main.
#pragma once

extern "C" {

// Starts the runtime (the fault handler, then the units: the core runtime,
// the line information, and the program's own), runs main through the
// process entry's wrapper and ends the process with the status main
// returns, as std::exit does. A processor fault comes back to the wrapper
// and ends in the report; so does an exception that nothing catches.
[[noreturn]] int __wrap_main(int argc, char** argv, char** envp);

int __real_main(int argc, char** argv, char** envp);
}
