// std::terminate as a run-time error. An exception that nothing catches
// reaches the handler before any frame has been unwound (the search for a
// catch found none), so the frames of the throw are still on the stack. The
// error is placed there; then the C++ library's own handler writes what it
// writes of the exception (its type and its words) and aborts, and the
// abort raises the error.
#include "runtime/uncaught.h"

#include <cxxabi.h>

#include <cstdint>
#include <cstdlib>
#include <exception>

#include "base/error_numbers.h"
#include "base/every_run.h"
#include "platform/unwound_frames.h"
#include "platform/walk.h"
#include "runtime/errors.h"

namespace rt {

namespace {

// The C++ library's handler, which the runtime's replaced.
std::terminate_handler library_handler = nullptr;

// The C++ runtime's routines between a throw (or a call of std::terminate)
// and the handler; the frame after the outermost of them is the call that
// threw, or that ended the program.
bool IsThrowRoutine(std::uintptr_t routine) {
  const std::uintptr_t routines[] = {
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_throw),
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_rethrow),
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_pure_virtual),
      reinterpret_cast<std::uintptr_t>(&std::rethrow_exception),
      reinterpret_cast<std::uintptr_t>(&std::terminate),
  };
  for (std::uintptr_t r : routines) {
    if (r == routine) return true;
  }
  return false;
}

// The handler is called a few frames below the throw, more where the throw
// left a function that may not throw (the search for a catch ends there,
// inside the unwinder, and on Windows inside the platform's dispatch of the
// exception); a search that finds no throw routine that near gives up.
constexpr int kSearchDepth = 24;

struct Search {
  int visited = 0;
  bool after_routine = false;
  bool found = false;
  platform::UnwoundFrame site = {};
};

bool Visit(const platform::UnwoundFrame& frame, void* data) {
  Search& search = *static_cast<Search*>(data);
  if (IsThrowRoutine(frame.routine)) {
    search.after_routine = true;
  } else if (search.after_routine) {
    search.site = frame;
    search.found = true;
    search.after_routine = false;
  }
  return ++search.visited < kSearchDepth;
}

[[noreturn, gnu::noinline]] void OnTerminate() {
  FrameRegisters here;
  CaptureWalkRegisters(&here);
  Search search;
  platform::VisitUnwoundFrames(Visit, &search);
  // Not reached through a known routine: the error is placed at the
  // handler's caller.
  void* addr = search.found ? reinterpret_cast<void*>(search.site.address)
                            : __builtin_extract_return_addr(__builtin_return_address(0));
  void* frame = search.found ? reinterpret_cast<void*>(search.site.frame) : nullptr;
  SetPendingError(kUnknownException, addr, frame, here);
  if (library_handler != nullptr) library_handler();
  // A library handler that returned: the error is raised all the same.
  RaisePendingError();
  std::abort();
}

}  // namespace

QUIZ_EVERY_RUN void InstallTerminateHandler() {
  std::terminate_handler previous = std::set_terminate(OnTerminate);
  if (previous != OnTerminate) library_handler = previous;
}

}  // namespace rt
