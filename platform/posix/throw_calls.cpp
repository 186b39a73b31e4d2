// Seeing every throw. The C++ library throws by the name __cxa_throw, also
// on behalf of its own routines (std::vector::at, std::stoi): the program
// defines that name (platform/<processor>/throw_jump_posix.S), so the
// dynamic loader binds every caller to it, and it keeps the throw's return
// addresses here before it jumps to the library's own routine. It defines
// the name of the allocation of an exception object too, to forget what was
// kept of an earlier exception in the same place. A program linked
// statically takes the library's routines in under the same names (the
// build names them to the linker), and these give way to them, being weak.
#include <cxxabi.h>
#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "platform/frame_record.h"
#include "platform/posix/thread_stack.h"
#include "platform/throw_records.h"
#include "platform/walk.h"

using Allocate = void* (*)(std::size_t);
using Throw = void (*)(void*, std::type_info*, void (*)(void*));

// The program's __cxa_throw, which jumps to the library's.
extern "C" void quiz_throw_jump();

namespace platform {

namespace {

std::atomic<bool> seeing{false};

// Takes the program's __cxa_throw into every program that records throws.
[[gnu::used]] const auto kThrowJump = &quiz_throw_jump;

template <typename Routine>
Routine LibraryRoutine(const char* name) {
  return reinterpret_cast<Routine>(dlsym(RTLD_NEXT, name));
}

// Whether the frame record at next may follow the one at frame: records
// rise, lie on the thread's stack, and are aligned as every frame is. A
// routine built without frame records leaves anything in the frame
// register; the chain ends there.
bool FollowsOn(std::uintptr_t frame, std::uintptr_t next, const posix::ThreadStack& stack) {
  return next > frame && next % 16 == 0 && next + sizeof(FrameRecord) <= stack.top;
}

// The return addresses of the frame records from own, the frame record of
// the routine the program called to throw, up to the routine that called main
// or started the thread, whose callers are the system's.
ThrowRecord ChainFrom(const void* own) {
  ThrowRecord record;
  const posix::ThreadStack& stack = posix::KnownThreadStack();
  const auto end = reinterpret_cast<std::uintptr_t>(WalkEndRecord());
  auto frame = reinterpret_cast<std::uintptr_t>(own);
  while (record.count < kThrowFrames) {
    FrameRecord here = ReadFrameRecord(reinterpret_cast<const void*>(frame));
    auto next = reinterpret_cast<std::uintptr_t>(here.caller_frame);
    if (record.count > 0 && end != 0 && next >= end) break;
    record.addresses[record.count++] = reinterpret_cast<std::uintptr_t>(here.return_address);
    if (!FollowsOn(frame, next, stack)) break;
    frame = next;
  }
  return record;
}

}  // namespace

Throw LibraryThrow() {
  static const Throw library_throw = LibraryRoutine<Throw>("__cxa_throw");
  return library_throw;
}

void PrepareThrowRecords() {
  seeing = true;
}

std::uintptr_t LibraryThrowRoutine() {
  return reinterpret_cast<std::uintptr_t>(LibraryThrow());
}

}  // namespace platform

// Called by the program's __cxa_throw with its own frame record; the
// routine it is to jump to.
extern "C" Throw quiz_record_throw(void* object, const void* own) {
  if (platform::seeing.load(std::memory_order_relaxed))
    platform::RecordThrow(object, platform::ChainFrom(own));
  Throw library_throw = platform::LibraryThrow();
  if (library_throw == nullptr) std::abort();
  return library_throw;
}

namespace __cxxabiv1 {

extern "C" [[gnu::weak]] void* __cxa_allocate_exception(std::size_t size) noexcept {
  static const Allocate allocate = platform::LibraryRoutine<Allocate>("__cxa_allocate_exception");
  if (allocate == nullptr) std::abort();
  void* object = allocate(size);
  platform::ForgetThrow(object);
  return object;
}

}  // namespace __cxxabiv1
