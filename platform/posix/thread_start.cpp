// Seeing every thread start. The C library starts threads by the name
// pthread_create, also on behalf of the C++ library's std::thread, from
// within its own shared library: the program defines that name here, so the
// dynamic loader binds every caller to it, and it starts the thread through
// the C library's own routine, by way of a start of its own that gives the
// new thread an alternate signal stack and learns its stack's bounds before
// the thread's routine runs. A program linked statically has the C
// library's routine under its other name (the build names it to the linker
// for such programs).
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <utility>

#include "base/every_run.h"
#include "platform/memory_query.h"
#include "platform/platform.h"
#include "platform/posix/faults.h"
#include "platform/posix/thread_stack.h"
#include "platform/unwound_frames.h"
#include "platform/walk.h"

using ThreadRoutine = void* (*)(void*);
using CreateThread = int (*)(pthread_t*, const pthread_attr_t*, ThreadRoutine, void*);

// The C library's own routine, in a program linked statically.
extern "C" int __pthread_create_2_1(pthread_t*, const pthread_attr_t*, ThreadRoutine, void*)
    __attribute__((weak));

namespace platform {

namespace {

std::atomic<bool> seeing{false};

CreateThread LibraryCreate() {
  static const CreateThread create = [] {
    void* next = dlsym(RTLD_NEXT, "pthread_create");
    return next != nullptr ? reinterpret_cast<CreateThread>(next) : __pthread_create_2_1;
  }();
  return create;
}

struct Start {
  ThreadRoutine routine;
  void* argument;
  ThreadOrigin origin;
};

// Where the calling thread came from; the first thread's stays as it is.
thread_local ThreadOrigin origin;

// The frames above pthread_create's own, whose first is the frame that
// called it.
bool KeepCaller(const UnwoundFrame& frame, void* data) {
  auto& visit = *static_cast<std::pair<ThreadOrigin*, bool>*>(data);
  ThreadOrigin& kept = *visit.first;
  if (!visit.second) return visit.second = true;
  kept.callers[kept.count++] = frame.address;
  return kept.count < ThreadOrigin::kMaxCallers;
}

// Gives the alternate stack back however the thread ends: by returning, or
// by pthread_exit or cancellation, which unwind this frame.
struct AlternateStackHeld {
  ~AlternateStackHeld() { ReleaseAlternateStack(); }
};

[[gnu::noinline]] void* StartThread(void* data) {
  Start start = *static_cast<Start*>(data);
  delete static_cast<Start*>(data);
  origin = start.origin;
  posix::LearnThreadStack();
  AlternateStackHeld held;
  TakeAlternateStack(false);
  // The thread's own frames are those of its routine and what it calls.
  SetWalkEnd(reinterpret_cast<std::uint64_t>(__builtin_dwarf_cfa()), __builtin_frame_address(0));
  void* result = start.routine(start.argument);
  asm volatile("");  // keeps the call from becoming a jump
  return result;
}

}  // namespace

ThreadOrigin CurrentThreadOrigin() {
  ThreadOrigin kept = origin;
  kept.first = posix::IsFirstThread();
  return kept;
}

// The C library's routine is looked up at the first thread's start, not
// here: most programs start none.
QUIZ_EVERY_RUN void PrepareThreadStarts() {
  seeing = true;
}

}  // namespace platform

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, ThreadRoutine routine,
                              void* argument) {
  CreateThread create = platform::LibraryCreate();
  if (create == nullptr) return EAGAIN;
  if (!platform::seeing) return create(thread, attr, routine, argument);
  auto* start = new (std::nothrow) platform::Start{routine, argument, {}};
  if (start == nullptr) return EAGAIN;
  // The calls that led here, which name the thread in a report; the first
  // is this routine's caller.
  start->origin.first = false;
  std::pair<platform::ThreadOrigin*, bool> visit{&start->origin, false};
  platform::VisitUnwoundFrames(platform::KeepCaller, &visit);
  int result = create(thread, attr, platform::StartThread, start);
  if (result != 0) delete start;
  return result;
}
