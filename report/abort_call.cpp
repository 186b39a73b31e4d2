// Finding the call of abort among the frames of an abort.
#include "report/abort_call.h"

#include "platform/walk.h"
#include "report/stack_walk.h"

namespace rt {

namespace {

// abort reaches the signal through a few routines of the C library.
constexpr int kSearchDepth = 8;

// The place the walk stands at after a step out of the frame below.
ErrorPlace PlaceOf(const StackWalk& walk, const FrameRegisters& below) {
  const FrameRegisters& here = walk.current().registers;
  return {reinterpret_cast<void*>(walk.pc()),
          reinterpret_cast<void*>(here.value[platform::kWalkLayout.frame_register]), below};
}

}  // namespace

bool FindCallOfAbort(const platform::FaultRecord& abort, ErrorPlace& place) {
  const std::uint64_t abort_entry = platform::AbortEntry();
  StackMemory stack(abort.stack_low, abort.stack_top);
  StackWalk walk(abort.registers, true, stack);
  for (int step = 0; step < kSearchDepth; ++step) {
    FrameRegisters below = walk.current().registers;
    bool in_abort = walk.routine() == abort_entry;
    if (!walk.Step()) break;
    if (in_abort) {
      place = PlaceOf(walk, below);
      return true;
    }
    if (step == 0) place = PlaceOf(walk, below);
  }
  // No call of abort in sight (a C library may raise the signal itself, as
  // its assert does on some platforms): the call out of the frame the
  // thread stood in.
  return place.addr != nullptr;
}

}  // namespace rt
