// Frame records. Every routine compiled with frame pointers keeps one where
// its frame register points (rbp on x86-64, x29 on aarch64): the caller's
// frame address, then the return address into the caller.
#pragma once

namespace platform {

struct FrameRecord {
  void* caller_frame;
  void* return_address;
};

// Reads the record at frame in place, wherever a chain leads: a record that
// is not readable faults, and that fault is a run-time error of its own,
// not one for the address sanitizer to report.
[[gnu::no_sanitize_address]] inline FrameRecord ReadFrameRecord(const void* frame) {
  const volatile FrameRecord* record = static_cast<const volatile FrameRecord*>(frame);
  return FrameRecord{record->caller_frame, record->return_address};
}

}  // namespace platform
