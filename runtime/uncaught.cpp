// std::terminate as a run-time error. An exception that nothing catches
// reaches the handler before any frame has been unwound (the search for a
// catch found none), so the frames of the throw are still on the stack. The
// error is placed there; then the C++ library's own handler writes what it
// writes of the exception (its type and its words) and aborts, and the
// abort raises the error.
#include "runtime/uncaught.h"

#include <cxxabi.h>

#include <cstdlib>
#include <exception>
#include <typeinfo>

#include "base/error_numbers.h"
#include "base/every_run.h"
#include "platform/walk.h"
#include "report/throw_site.h"
#include "runtime/errors.h"
#include "runtime/report.h"
#include "runtime/rethrow.h"

namespace rt {

namespace {

// The C++ library's handler, which the runtime's replaced.
std::terminate_handler library_handler = nullptr;

[[noreturn, gnu::noinline]] void OnTerminate() {
  FrameRegisters here;
  CaptureWalkRegisters(&here);
  platform::UnwoundFrame site;
  ThrowFacts facts;
  bool found = FindThrowSite(site, &facts);
  const std::type_info* type = abi::__cxa_current_exception_type();
  NoteTermination(type != nullptr ? type->name() : nullptr, facts.left_noexcept,
                  facts.pure_virtual);
  // Not reached through a known routine: the error is placed at the
  // handler's caller.
  void* addr = found ? reinterpret_cast<void*>(site.address)
                     : __builtin_extract_return_addr(__builtin_return_address(0));
  void* frame = found ? reinterpret_cast<void*>(site.frame) : nullptr;
  if (found) NoteFirstThrow(addr);
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
