// The platform's unwinder over each image's unwind data.
#include "platform/unwound_frames.h"

#include <windows.h>

// Declared here alone: its address is all the runtime needs of it.
extern "C" void __gxx_personality_seh0();

namespace platform {

[[gnu::noinline]] void VisitUnwoundFrames(FrameVisitor visit, void* data) {
  CONTEXT context;
  ::RtlCaptureContext(&context);
  // The captured context is VisitUnwoundFrames's own frame.
  for (bool own = true;; own = false) {
    DWORD64 image_base = 0;
    PRUNTIME_FUNCTION entry = ::RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
    // A routine without unwind data gives no step that can be trusted.
    if (entry == nullptr) return;
    if (!own) {
      UnwoundFrame frame = {static_cast<std::uintptr_t>(image_base + entry->BeginAddress),
                            static_cast<std::uintptr_t>(context.Rip),
                            static_cast<std::uintptr_t>(context.Rbp)};
      if (!visit(frame, data)) return;
    }
    PVOID handler_data = nullptr;
    DWORD64 establisher = 0;
    ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, entry, &context, &handler_data,
                       &establisher, nullptr);
    if (context.Rip == 0) return;
  }
}

// The routine the system's dispatch calls for a frame of C++ code; where
// it hands the search to a routine of its own, that one is not seen here.
std::uintptr_t PersonalityEntry() {
  return reinterpret_cast<std::uintptr_t>(&__gxx_personality_seh0);
}

}  // namespace platform
