// A program on the runtime whose malloc, calloc, realloc, aligned_alloc, free
// and operator new forward to the C library's until the watch starts, and
// then end the process with status 99, naming the call. It starts the watch
// and raises a run-time error three calls deep: the exit path and the
// report must make no call of the heap.
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "runtime/core_unit.h"
#include "runtime/errors.h"
#include "runtime/line_info.h"
#include "runtime/start.h"
#include "runtime/units.h"

extern "C" void* __libc_malloc(std::size_t size);
extern "C" void* __libc_calloc(std::size_t count, std::size_t size);
extern "C" void* __libc_realloc(void* block, std::size_t size);
extern "C" void* __libc_memalign(std::size_t alignment, std::size_t size);
extern "C" void __libc_free(void* block);

namespace {

volatile bool watching = false;

void Watch(const char* call) {
  if (!watching) return;
  [[maybe_unused]] ssize_t written = write(2, call, std::strlen(call));
  written = write(2, " during the report\n", 19);
  _exit(99);
}

}  // namespace

extern "C" void* malloc(std::size_t size) {
  Watch("malloc");
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
  Watch("calloc");
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, std::size_t size) {
  Watch("realloc");
  return __libc_realloc(block, size);
}
extern "C" void* aligned_alloc(std::size_t alignment, std::size_t size) {
  Watch("aligned_alloc");
  return __libc_memalign(alignment, size);
}
extern "C" void free(void* block) {
  if (block != nullptr) Watch("free");
  __libc_free(block);
}
void* operator new(std::size_t size) {
  Watch("operator new");
  if (void* block = __libc_malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}

namespace {

const rt::UnitEntry kUnits[] = {
    {rt::InitCoreRuntime, nullptr},
    {rt::InitLineInfoUnit, rt::FinalizeLineInfoUnit},
};

// The lines that the report's frame lines name, in order, are marked.
[[gnu::noinline]] void Inner() {
  rt::RunError(230);  // in the report
  asm volatile("");   // keeps each call from becoming a jump
}
[[gnu::noinline]] void Middle() {
  Inner();  // in the report
  asm volatile("");
}
[[gnu::noinline]] void Outer() {
  Middle();  // in the report
  asm volatile("");
}
[[noreturn]] void Run() {
  rt::InitializeUnits();
  watching = true;
  Outer();  // in the report
  _exit(0);
}

}  // namespace

rt::InitFinalTable rt::InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

int main() {
  rt::Exe_Entry(Run);
}
