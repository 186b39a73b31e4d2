// A program on the runtime whose malloc, calloc, realloc, aligned_alloc, free
// and operator new forward to the C library's until it raises its run-time
// error, and from then on end the process with status 99, naming the call:
// the exit path and the report must make none.
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "runtime/core_unit.h"
#include "runtime/errors.h"
#include "runtime/line_info.h"
#include "runtime/start.h"
#include "runtime/units.h"

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

static volatile bool watching = false;

static void Watch(const char* message) {
  if (!watching) return;
  [[maybe_unused]] ssize_t written = write(2, message, std::strlen(message));
  _exit(99);
}

extern "C" void* malloc(std::size_t size) {
  Watch("malloc during the report\n");
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
  Watch("calloc during the report\n");
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* block, std::size_t size) {
  Watch("realloc during the report\n");
  return __libc_realloc(block, size);
}
extern "C" void* aligned_alloc(std::size_t alignment, std::size_t size) {
  Watch("aligned_alloc during the report\n");
  return __libc_memalign(alignment, size);
}
extern "C" void free(void* block) {
  if (block != nullptr) Watch("free during the report\n");
  __libc_free(block);
}
void* operator new(std::size_t size) {
  Watch("operator new during the report\n");
  if (void* block = __libc_malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}

static const rt::UnitEntry kUnits[] = {
    {rt::InitCoreRuntime, nullptr},
    {rt::InitLineInfoUnit, rt::FinalizeLineInfoUnit},
};
rt::InitFinalTable rt::InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

// The lines that the report's frame lines name, in order, are marked.
[[gnu::noinline]] static void Inner() {
  rt::RunError(230);  // in the report
  asm volatile("");   // keeps each call from becoming a jump
}
[[gnu::noinline]] static void Outer() {
  Inner();  // in the report
  asm volatile("");
}
[[noreturn]] static void Run() {
  rt::InitializeUnits();
  watching = true;
  Outer();  // in the report
  _exit(0);
}

int main() {
  rt::Exe_Entry(Run);
}
