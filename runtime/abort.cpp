// Finding the call of abort among the frames of an abort.
#include "runtime/abort.h"

#include "runtime/errors.h"
#include "runtime/stack_walk.h"

namespace rt {

namespace {

// abort reaches the signal through a few routines of the C library.
constexpr int kSearchDepth = 8;

// A place to raise an error at: a return address, its frame, and the
// registers of the frame it returns from, which the report's walk steps from.
struct Place {
  void* addr = nullptr;
  void* frame = nullptr;
  FrameRegisters below;
};

// The place the walk stands at after a step out of the frame below.
Place PlaceOf(const StackWalk& walk, const FrameRegisters& below) {
  FrameRegisters here = walk.registers();
  return {reinterpret_cast<void*>(walk.pc()),
          reinterpret_cast<void*>(here.value[platform::kWalkLayout.frame_register]), below};
}

}  // namespace

void RaiseAtCallOfAbort(std::uint16_t code, const platform::FaultRecord& abort) {
  const std::uint64_t abort_entry = platform::AbortEntry();
  StackMemory stack(abort.stack_low, abort.stack_top);
  StackWalk walk(abort.registers, true, stack);
  Place first;
  for (int step = 0; step < kSearchDepth; ++step) {
    FrameRegisters below = walk.registers();
    bool in_abort = walk.routine() == abort_entry;
    if (!walk.Step()) break;
    if (in_abort) {
      Place call = PlaceOf(walk, below);
      RaiseErrorFrom(code, call.addr, call.frame, call.below);
    }
    if (step == 0) first = PlaceOf(walk, below);
  }
  // No call of abort in sight (a C library may raise the signal itself, as
  // its assert does on some platforms): the error is placed at the call out
  // of the frame the thread stood in.
  if (first.addr != nullptr) RaiseErrorFrom(code, first.addr, first.frame, first.below);
}

}  // namespace rt
