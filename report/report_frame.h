// A frame of the report as one record, from the walk that found it to the
// line that shows it: what the walk knew of it, then what the lookups added.
// A new fact about a frame is a new field here, not a new parameter through
// every layer between the walk and the formatter.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/registers.h"
#include "base/source_frame.h"
#include "base/text.h"

namespace rt {

// What a walk knows of one frame.
struct WalkedFrame {
  // The registers the walk recovered for the frame, each known or not: all
  // of them for a faulting frame, the ones the call-frame rules restored
  // (and those a call preserves) for its callers. registers.pc is the
  // frame's code address.
  FrameRegisters registers;
  // The code address is the faulting instruction itself (or where a signal
  // interrupted the thread), not a return address.
  bool at_fault = false;
  // The frame's own frame address, the canonical frame address where the
  // call-frame rules stepped out of it; 0 where the walk has none beyond it.
  std::uint64_t cfa = 0;
  // The caller's registers as the walk recovered them, caller.pc the
  // return address; 0 there where the walk found no caller.
  FrameRegisters caller;

  std::uint64_t code() const { return registers.pc; }
  // The instruction the frame stands at: a return address's call lies just
  // before it, and so do its line, its function and its rules.
  std::uint64_t instruction() const { return at_fault ? code() : code() - 1; }
};

// A walked frame and what the lookups made of it. Resolved once, before
// its lines are counted or written.
struct ReportFrame : WalkedFrame {
  enum class Resolution : std::uint8_t {
    kNotYet,
    kOneLine,  // own_line is its one line, as a one-line formatter gave it
    kSources,  // sources hold its frames, innermost first, never empty
  };
  Resolution resolution = Resolution::kNotYet;
  SourceFrames sources;
  // The module named in its lines where it is not the program; empty
  // otherwise.
  Text module;
  Text own_line;

  ReportFrame() = default;
  explicit ReportFrame(const WalkedFrame& walked) : WalkedFrame(walked) {}
};

// The record of a code address alone, as the error's own line and a chain
// of frame records give it.
inline WalkedFrame FrameAt(std::uint64_t code, bool at_fault) {
  WalkedFrame frame;
  frame.registers.pc = code;
  frame.at_fault = at_fault;
  return frame;
}

}  // namespace rt
