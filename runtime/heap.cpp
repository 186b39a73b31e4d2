// Memory refused by the platform ends the program with run-time error 203.
#include "runtime/heap.h"

#include <new>

#include "base/error_numbers.h"
#include "base/every_run.h"
#include "runtime/errors.h"

namespace rt {

namespace {

[[gnu::noinline]] void OnHeapExhausted() {
  RunError(kHeapOverflow);
}

}  // namespace

QUIZ_EVERY_RUN void InstallHeapErrorHandler() {
  std::set_new_handler(OnHeapExhausted);
}

}  // namespace rt
