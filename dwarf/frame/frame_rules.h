// The rows of call-frame rules: the CIE's initial instructions and then the
// FDE's, interpreted up to the row that holds at an address.
#pragma once

#include <cstdint>

#include "dwarf/cursor.h"
#include "dwarf/frame/call_frames.h"
#include "dwarf/frame/frame_entries.h"

namespace rt {

enum class RuleKind : std::uint8_t {
  kNone,           // no rule: the register keeps its value where calls preserve it
  kUndefined,      // the register's value in the caller cannot be recovered
  kSameValue,      // the caller's value is this frame's
  kOffset,         // saved at CFA + value
  kValOffset,      // the value is CFA + value
  kRegister,       // the value is in register `value`
  kExpression,     // saved at the address the expression gives, CFA pushed first
  kValExpression,  // the value is what the expression gives, CFA pushed first
};

// A rule; an expression is given by its offset in .eh_frame and length.
struct RegisterRule {
  std::int64_t value = 0;
  std::uint32_t length = 0;
  RuleKind kind = RuleKind::kNone;
};

// The CFA is register + offset (kind kRegister, the register in value) or
// what an expression gives (kind kValExpression, nothing pushed first).
struct FrameRules {
  RegisterRule cfa;
  std::int64_t cfa_offset = 0;
  RegisterRule registers[kMaxFrameRegisters];
  // The return address is signed (toggled by DW_CFA_AARCH64_negate_ra_state).
  bool return_address_signed = false;
};

struct FrameRow {
  std::uint64_t fde_begin = 0, fde_end = 0;  // the FDE's range
  std::uint64_t start = 0, end = 0;          // where this row holds: [start, end)
  std::uint64_t return_column = 0;           // from the CIE
  bool signal_frame = false;                 // the CIE's 'S'
  FrameRules rules;
};

// Runs the instructions up to the row that holds at pc (inside the FDE's
// range). False for instructions this reader does not know, operands that
// reach past the entry, a state stack that overflows or is popped empty,
// and locations that go backwards.
bool FindRuleRow(DwarfCursor& cursor, const FrameSection& frames, const FrameDescription& fde,
                 std::uint64_t pc, FrameRow& row);

}  // namespace rt
