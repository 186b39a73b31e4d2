// Where the walk of each thread's stack ends.
#include "base/every_run.h"
#include "platform/walk.h"

namespace platform {

namespace {

thread_local std::uint64_t walk_end = 0;
thread_local const void* walk_end_record = nullptr;

}  // namespace

QUIZ_EVERY_RUN void SetWalkEnd(std::uint64_t frame, const void* record) {
  walk_end = frame;
  walk_end_record = record;
}

std::uint64_t WalkEnd() {
  return walk_end;
}

const void* WalkEndRecord() {
  return walk_end_record;
}

}  // namespace platform
