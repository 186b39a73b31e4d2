// The one DWARF expression machine: a bounded stack, a bounded number of
// steps, and what the operations up to each DW_OP_piece say of where a part
// of an object is. Call-frame rules read the stack's top; locations read
// every part.
#pragma once

#include <cstdint>

#include "base/registers.h"
#include "dwarf/cursor.h"
#include "dwarf/debug_sections.h"
#include "dwarf/expression/expression.h"
#include "dwarf/forms.h"

namespace rt {

// What an expression of where a variable lies reads beyond the frame's
// registers and memory; call-frame rules give none of it.
struct ExpressionContext {
  std::uint64_t cfa = 0;
  bool has_cfa = false;
  std::uint64_t frame_base = 0;  // the value of the function's DW_AT_frame_base
  bool has_frame_base = false;
  const FrameRegisters* entry_regs = nullptr;  // at the function's entry, where known
  // Added to the link-time addresses of DW_OP_addr and DW_OP_addrx.
  std::uint64_t load_delta = 0;
  // .debug_addr and where the unit's entries start, for DW_OP_addrx and
  // DW_OP_constx; the shape also sizes DW_OP_addr's operand.
  const DebugSources* sources = nullptr;
  UnitShape shape;
  std::uint64_t addr_base = 0;
};

// What the operations up to a DW_OP_piece (or the expression's end) say of
// one part of an object.
struct PieceOutcome {
  enum class Kind : std::uint8_t {
    kEmpty,      // no operation: the part is kept nowhere
    kAddress,    // value is the part's address
    kRegister,   // the part is in register reg
    kValue,      // value is the part's value (DW_OP_stack_value)
    kImplicit,   // the value's bytes are in the expression (DW_OP_implicit_value)
    kElsewhere,  // the value of another entry, which is not followed
  };
  Kind kind = Kind::kEmpty;
  // False when a register, memory or entry value it needs is not known.
  bool known = true;
  std::uint64_t value = 0;
  std::uint64_t reg = 0;
  std::uint8_t bytes[16] = {};   // kImplicit: the first bytes
  std::uint64_t byte_count = 0;  // kImplicit: all of them
  // Ended by DW_OP_piece or DW_OP_bit_piece, of this many bits at this offset.
  bool has_size = false;
  std::uint64_t size_bits = 0, bit_offset = 0;
};

class ExpressionMachine {
 public:
  // The cursor's window is the expression, the machine reading from its
  // position on.
  ExpressionMachine(DwarfCursor& cursor, const ExpressionInputs& inputs,
                    const ExpressionContext& context)
      : cursor_(cursor), inputs_(inputs), context_(context) {}

  // A value that starts the stack (the CFA, for register rules), counted as
  // the first part's operation.
  void Seed(std::uint64_t v);
  // Reads operations up to a DW_OP_piece or DW_OP_bit_piece (read with it)
  // or the expression's end; kValue with the part, kMalformed for bytes
  // that are no expression. Unknown inputs leave the part not known.
  ExpressionResult NextPiece(PieceOutcome& piece);
  bool AtEnd() const { return cursor_.Pos() >= cursor_.Limit(); }

 private:
  static constexpr int kMaxDepth = 64;

  bool Push(std::uint64_t v) {
    if (depth_ == kMaxDepth) return false;
    stack_[depth_++] = v;
    return true;
  }
  // An input not known: its place on the stack holds 0, and the part is
  // not known.
  bool PushUnknown() {
    known_ = false;
    return Push(0);
  }
  // The entry n below the top, n = 0 the top itself.
  std::uint64_t* Entry(std::uint64_t n) {
    return n < static_cast<std::uint64_t>(depth_) ? &stack_[depth_ - 1 - n] : nullptr;
  }
  bool Finish(PieceOutcome& piece);
  bool Step(int op, PieceOutcome& piece);
  bool StackOperation(int op);
  bool Branch(bool taken);
  bool Register(std::uint64_t reg, std::int64_t offset);
  bool Deref(std::uint64_t size);
  bool Indexed(bool is_address);
  bool EntryValue();
  bool ImplicitValue(PieceOutcome& piece);
  bool TypedOperation(int op);
  bool PlaceOperation(int op, PieceOutcome& piece);

  DwarfCursor& cursor_;
  const ExpressionInputs& inputs_;
  const ExpressionContext& context_;
  std::uint64_t stack_[kMaxDepth];
  int depth_ = 0;
  int steps_ = 0;
  bool known_ = true;
  bool seeded_ = false;
};

// The value of a two-operand operation on a (below the top) and b (the
// top); false for an operation of another kind. defined is false where
// the value has none (a division by zero).
bool CombineOperands(int op, std::uint64_t a, std::uint64_t b, std::uint64_t& out, bool& defined);

// The constant that a DW_OP_const* operation's operand gives; false for an
// operation of another kind.
bool ReadConstantOperand(DwarfCursor& cursor, int op, std::uint64_t& value);

}  // namespace rt
