// Where the walk of each thread's stack ends.
#include "base/every_run.h"
#include "platform/walk.h"

namespace platform {

namespace {

thread_local std::uint64_t walk_end = 0;

}  // namespace

QUIZ_EVERY_RUN void SetWalkEnd(std::uint64_t frame) {
  walk_end = frame;
}

std::uint64_t WalkEnd() {
  return walk_end;
}

}  // namespace platform
