// std::terminate as a run-time error. An exception that nothing catches
// reaches the handler before any frame has been unwound (the search for a
// catch found none), so the frames of the throw are still on the stack.
#include "runtime/uncaught.h"

#include <cxxabi.h>

#include <cstdint>
#include <exception>

#include "base/error_numbers.h"
#include "platform/unwound_frames.h"
#include "runtime/errors.h"

namespace rt {

namespace {

// The C++ runtime's routines between a throw (or a call of std::terminate)
// and the handler; the frame after the outermost of them is the call that
// threw.
bool IsThrowRoutine(std::uintptr_t routine) {
  const std::uintptr_t routines[] = {
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_throw),
      reinterpret_cast<std::uintptr_t>(&__cxxabiv1::__cxa_rethrow),
      reinterpret_cast<std::uintptr_t>(&std::rethrow_exception),
      reinterpret_cast<std::uintptr_t>(&std::terminate),
  };
  for (std::uintptr_t r : routines) {
    if (r == routine) return true;
  }
  return false;
}

// The handler is called a few frames below the throw; a search that finds
// no throw routine that near gives up.
constexpr int kSearchDepth = 8;

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
    return false;
  }
  return ++search.visited < kSearchDepth;
}

[[noreturn, gnu::noinline]] void OnTerminate() {
  Search search;
  platform::VisitUnwoundFrames(Visit, &search);
  if (search.found) {
    HandleErrorAddrFrame(kUnknownException, reinterpret_cast<void*>(search.site.address),
                         reinterpret_cast<void*>(search.site.frame));
  }
  // Not reached through a known routine: the error is placed at the
  // handler's caller.
  HandleErrorAddrFrameInd(kUnknownException, nullptr, __builtin_frame_address(0));
}

}  // namespace

void InstallTerminateHandler() {
  std::set_terminate(OnTerminate);
}

}  // namespace rt
