// Where a variable's value lies at one pc of a frame: its location
// expression evaluated on the frame's registers and memory, part by part.
#pragma once

#include <cstdint>

#include "base/registers.h"
#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/expression/expression.h"
#include "dwarf/forms.h"

namespace rt {

struct LocationPiece {
  enum class Kind : std::uint8_t {
    kMemory,    // at address in the thread's memory
    kRegister,  // in register reg, whether or not the frame knows its value
    kValue,     // the value itself, computed (DW_OP_stack_value)
    kImplicit,  // the value's bytes, given (DW_OP_implicit_value of up to 16 bytes)
    kUnknown,   // kept nowhere, or where this frame cannot tell
  };
  Kind kind = Kind::kUnknown;
  std::uint64_t address = 0;  // kMemory: the run-time address
  int reg = -1;               // kRegister: the DWARF register number
  std::uint64_t value = 0;    // kValue
  std::uint8_t bytes[16] = {};
  std::uint8_t byte_count = 0;  // kImplicit
  std::uint32_t size = 0;       // the part's bytes; 0 for the whole object
};

struct Location {
  static constexpr int kMaxPieces = 8;
  LocationPiece pieces[kMaxPieces];
  int count = 0;
};

enum class LocationResult {
  kLocated,       // count parts, of which some may be kUnknown
  kOptimizedOut,  // the value is kept nowhere at this pc
  kUnknown,       // every part is unknown, or there are more than kMaxPieces
  kMalformed,     // the bytes are no expression
};

// What a location expression reads: the frame's registers and memory, its
// CFA and frame base (the value of the function's DW_AT_frame_base, which
// the caller evaluates first, by EvaluateLocation too), the registers at
// the function's entry for DW_OP_entry_value, and the unit's .debug_addr.
struct LocationInputs {
  const FrameRegisters& regs;
  const FrameLayout& layout;
  FrameMemory& memory;
  std::uint64_t cfa = 0;
  bool has_cfa = false;
  std::uint64_t frame_base = 0;
  bool has_frame_base = false;
  const FrameRegisters* entry_regs = nullptr;  // registers at the function's entry, where known
  std::uint64_t load_delta = 0;                // run-time minus link-time address
  const DebugSources* sources = nullptr;
  UnitShape shape{};
  std::uint64_t addr_base = 0;  // for DW_OP_addrx and DW_OP_constx
};

// Evaluates the expression of `length` bytes at `offset` of the cursor's
// source. An empty expression is kOptimizedOut; a part of no operation is
// kUnknown; a part the operations of a DW_OP_breg of a register the frame
// does not know, or memory it cannot read, lead to is kUnknown.
LocationResult EvaluateLocation(DwarfCursor& cursor, std::int64_t offset, std::uint32_t length,
                                const LocationInputs& inputs, Location& location);

}  // namespace rt
