// The unwinder of the C++ runtime, over each image's .eh_frame.
#include "platform/unwound_frames.h"

#include <unwind.h>

#include "platform/walk.h"

// Declared here alone: its address is all the runtime needs of it.
extern "C" void __gxx_personality_v0();

namespace platform {

namespace {

struct Visit {
  FrameVisitor visit;
  void* data;
  bool own_frame_passed;
};

_Unwind_Reason_Code Step(_Unwind_Context* context, void* argument) {
  Visit& v = *static_cast<Visit*>(argument);
  // The first frame is VisitUnwoundFrames's own.
  if (!v.own_frame_passed) {
    v.own_frame_passed = true;
    return _URC_NO_REASON;
  }
  // The unwinder numbers registers as the walk does.
  UnwoundFrame frame = {_Unwind_GetRegionStart(context), _Unwind_GetIP(context),
                        _Unwind_GetGR(context, kWalkLayout.frame_register)};
  return v.visit(frame, v.data) ? _URC_NO_REASON : _URC_END_OF_STACK;
}

}  // namespace

[[gnu::noinline]] void VisitUnwoundFrames(FrameVisitor visit, void* data) {
  Visit v = {visit, data, false};
  _Unwind_Backtrace(Step, &v);
}

std::uintptr_t PersonalityEntry() {
  return reinterpret_cast<std::uintptr_t>(&__gxx_personality_v0);
}

}  // namespace platform
