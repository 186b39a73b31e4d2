// Stepping from a frame to its caller by a module's call-frame information
// (.eh_frame and the search table of .eh_frame_hdr): the stack walk's one
// means where a module describes its code. The reader knows no processor:
// the walk passes the processor's register numbering (base/registers.h) in.
#pragma once

#include <cstdint>

#include "base/registers.h"
#include "dwarf/expression/expression.h"
#include "exe/byte_source.h"

namespace rt {

// A module's call-frame information as it lies in memory (or in a file at
// link-time addresses): .eh_frame_hdr's bytes and address, and the .eh_frame
// bytes (from eh_frame_ptr to a bound the caller knows, e.g. the end of the
// loaded segment) and their address. Pointer encodings are resolved against
// these addresses, and absolute ones have the module's address size (its
// ELF class or PE kind; for a module loaded in the process, the process's
// own). Without a header, .eh_frame is searched entry by entry.
struct EhFrameSections {
  ByteSource* header = nullptr;
  std::uint64_t header_address = 0;
  ByteSource* frames = nullptr;
  std::uint64_t frames_address = 0;
  int address_size = 8;
};

// Where .eh_frame starts, by the header's eh_frame_ptr (so the caller can
// bound and bind `frames`); false for a header it cannot read.
bool ReadEhFrameStart(ByteSource& header, std::uint64_t header_address, int address_size,
                      std::uint64_t& frames_address);

enum class FrameStep {
  kStepped,
  kOutermost,      // the return-address rule is undefined: the outermost frame
  kNoInformation,  // no FDE covers the pc
  kCannotStep,     // malformed entry, a form not read, memory not readable
};

// Steps from a frame to its caller. regs.pc is the frame's pc; instruction
// the one it stands at, where the FDE and the row are looked up: the pc
// itself for the innermost frame of a fault and the caller of a signal
// frame, the byte before a return address otherwise (the walk's record
// decides which). On kStepped: regs holds
// the caller's registers (pc by the return-address column's rule, the stack
// pointer the CFA unless a rule says otherwise, every other register by its
// rule or, without one, kept where the layout says a call preserves it);
// cfa is this frame's canonical frame address; caller_pc_is_exact is true
// when this frame is a signal frame (its CIE has the "S" augmentation), so
// the caller's pc is where it was interrupted, to be looked up as it is. A
// register whose rule needs an unknown register or unreadable memory is
// unknown in the caller; the step fails only when the CFA or the return
// address cannot be worked out.
FrameStep StepByCallFrames(const EhFrameSections& sections, const FrameLayout& layout,
                           FrameMemory& memory, std::uint64_t instruction, FrameRegisters& regs,
                           std::uint64_t& cfa, bool& caller_pc_is_exact);

struct FrameRow;  // dwarf/frame_rules.h

// The row of rules that holds at pc, in the FDE that covers it (the FDE's
// range and the row's own are in the row): what a step would use, for tests
// and for other walkers. kStepped when found.
FrameStep FindFrameRow(const EhFrameSections& sections, std::uint64_t pc, FrameRow& row);

}  // namespace rt
