// The calls the runtime makes of the operating system, and nothing else.
// Each platform folder (posix/, win32/) implements all of them; the build
// picks one. Names follow the console services the runtime was shaped
// around, so the contracts read the same on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>

namespace platform {

// A platform handle, 64 bits wide: a file descriptor on POSIX.
using Handle = std::int64_t;

// The platform's own number for why a call failed (errno on POSIX, the
// system error code on Windows); Errno2InOutRes maps it to an I/O code.
// Every call that can fail answers one, kNoError on success.
using ErrorNumber = std::uint32_t;
constexpr ErrorNumber kNoError = 0;

enum class StdHandleKind { kInput, kOutput, kError };

// What the outermost handler hands a processor fault or the process
// aborting to, once it has recorded it: raises the run-time error of that
// number and never returns. It runs on the faulting thread, on a stack of
// its own, so that the thread's stack stays as it stood for the walk.
using FaultReporter = void (*)(std::uint16_t number);

// Sets up what the process needs before the runtime starts: processor
// faults and the process aborting reach the outermost handler, in the
// calling thread (on an alternate stack, so that a stack that has run out
// is reported too) and in every thread whose start the runtime sees.
void PrepareProcess(FaultReporter report);

// A vanished reader turns into a failed write, not a silent death: for a
// program written as the quiz is, whose failed writes are run-time errors.
// Any other program keeps the platform's default.
void IgnoreBrokenPipe();

// From here on every thread the program starts gets what the outermost
// handler needs in it (its own alternate stack, its stack's bounds), and
// the report's walk of it ends at the routine that started it.
void PrepareThreadStarts();

// One thread ends the process after an error: the first to claim the end.
// A thread that claims it again (an error raised while it reports) goes on;
// any other waits until the process ends.
enum class EndClaim { kFirst, kAgain, kTaken };
EndClaim ClaimProcessEnd();
[[noreturn]] void WaitForProcessEnd();

// The upper end (highest address) of the calling thread's stack.
std::uintptr_t GetStackTop();
// The upper end of the stack that holds sp, an address on a stack of the
// calling thread: the stack a report is formed on where sp lies there, else
// the thread's own.
std::uintptr_t GetStackTopAbove(std::uint64_t sp);

Handle GetStdHandle(StdHandleKind kind);

// Reads at most n bytes; count is set (0 at end of input), 0 after a failure.
[[nodiscard]] ErrorNumber ReadFile(Handle handle, void* buffer, std::size_t n, std::size_t& count);

// Writes n bytes; count is the number of bytes that did reach the platform,
// after a failure too.
[[nodiscard]] ErrorNumber WriteFile(Handle handle, const void* bytes, std::size_t n,
                                    std::size_t& count);

// True for the error that a read of a pipe without a writer reports, which the
// runtime treats as plain end of input.
bool IsBrokenPipe(ErrorNumber error);

// Maps a platform error number to the runtime's I/O code.
std::uint16_t Errno2InOutRes(ErrorNumber error);

// True exactly when the handle is an interactive console with console modes.
bool GetConsoleMode(Handle handle);

// Console input and output code pages; 0 where the platform has none.
std::uint16_t GetConsoleCP();
std::uint16_t GetConsoleOutputCP();
// The process default (ANSI) and OEM code pages.
std::uint16_t GetACP();
std::uint16_t GetOEMCP();

// Decodes bytes of a code page into UTF-16 and back. False when the code page
// is unknown to the platform; undecodable bytes become U+FFFD.
bool MultiByteToWideChar(std::uint16_t code_page, std::string_view bytes, std::u16string& wide);
bool WideCharToMultiByte(std::uint16_t code_page, std::u16string_view wide, std::string& bytes);

// Byte-oriented files, opened for reading while other processes may read and
// write them; only regular (disk) files open.
[[nodiscard]] ErrorNumber OpenFileForReading(const char* name, Handle& handle);
[[nodiscard]] ErrorNumber GetFileSize(Handle handle, std::int64_t& size);
// Reads at most n bytes at a position, in one call of the system where it
// can; count is set (0 at the end of the file).
[[nodiscard]] ErrorNumber ReadFileAt(Handle handle, std::int64_t position, void* buffer,
                                     std::size_t n, std::size_t& count);
[[nodiscard]] ErrorNumber CloseHandle(Handle handle);
// When the file was last written, in the system's own units: only two
// answers of the same system compare.
[[nodiscard]] ErrorNumber GetFileWriteTime(Handle handle, std::int64_t& time);

// Whether the handle is a terminal (a console), where text may be coloured.
bool IsTerminal(Handle handle);
// Whether the environment variable is set to something other than "".
bool IsEnvironmentSet(const char* name);

// The module (the program or a shared library) whose image holds the code
// address: its load address and the name of its file. When no module holds
// it, base is 0, name names the program's own file, and the answer is false.
// The name allocates from its own memory resource: the error report, which
// asks this, takes no memory from the C library's heap.
bool GetModuleByAddr(const void* addr, std::uintptr_t& base, std::pmr::string& name);

// Memory in whole pages straight from the system, never through the C
// library's heap; size is rounded up to whole pages. Null when the system
// refuses. FreePages takes the same size as AllocatePages was given.
void* AllocatePages(std::size_t size);
void FreePages(void* pages, std::size_t size);

// Ends the process with the exit code; never returns.
[[noreturn]] void ExitProcess(int code);

// Runs routine at the process's normal end, in the order std::atexit
// keeps: the first registered runs last.
void AtProcessEnd(void (*routine)());

}  // namespace platform

// Where the runtime's own code and constants begin in a program with its own
// main. The runtime's first file in the link defines them, so the program's
// own code and constants lie below them and those of the report above.
// Before the program's code first runs, the platform gives the pages above
// them a mapping apart, which a run that ends well never touches; a program
// without them keeps its pages as they are.
extern "C" void quiz_runtime_code();
extern "C" const char quiz_runtime_constants[];

// Runs the program with the frame register cleared, keeping no frame record
// of its own, so the chain of frame records ends here; its call-frame
// information marks it as the outermost frame, where the report's walk
// ends. Returns if program returns.
extern "C" void main_wrapper(void (*program)());
