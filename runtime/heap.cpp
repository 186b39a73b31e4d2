// Memory refused by the platform ends the program with run-time error 203.
#include "runtime/heap.h"

#include <new>

#include "runtime/errors.h"

namespace rt {

namespace {

constexpr std::uint16_t kHeapOverflow = 203;

[[gnu::noinline]] void OnHeapExhausted() {
  RunError(kHeapOverflow);
}

}  // namespace

void InstallHeapErrorHandler() {
  std::set_new_handler(OnHeapExhausted);
}

}  // namespace rt
