// The expression machine's loop, its stack operations and its branches.
#include "dwarf/expression/expression_machine.h"

#include "dwarf/expression/expression_opcodes.h"

namespace rt {

namespace {

// The C library's call-frame expressions take a dozen steps and a
// compiler's locations a few dozen; this bound leaves room and ends any
// loop that branches build.
constexpr int kMaxSteps = 1000;

using Kind = PieceOutcome::Kind;

}  // namespace

void ExpressionMachine::Seed(std::uint64_t v) {
  Push(v);
  seeded_ = true;
}

ExpressionResult ExpressionMachine::NextPiece(PieceOutcome& piece) {
  constexpr ExpressionResult kMalformed = ExpressionResult::kMalformed;
  piece = PieceOutcome();
  known_ = true;
  bool any = seeded_;
  seeded_ = false;
  while (!AtEnd()) {
    if (++steps_ > kMaxSteps) return kMalformed;
    int op = cursor_.ReadNext();
    if (op < 0) return kMalformed;
    if (op == kOpPiece || op == kOpBitPiece) {
      piece.has_size = true;
      piece.size_bits = cursor_.ReadULEB128();
      if (op == kOpPiece) {
        // Sizes past 2^61 bytes are no object's: they are kept unchanged, which the
        // reader of the part rejects.
        piece.size_bits = piece.size_bits >> 61 ? ~std::uint64_t{0} : piece.size_bits * 8;
      } else {
        piece.bit_offset = cursor_.ReadULEB128();
      }
      if (!cursor_.ok()) return kMalformed;
      break;
    }
    // After a register, a value or implicit bytes, only a piece may follow.
    if (piece.kind != Kind::kEmpty) return kMalformed;
    any = true;
    if (!Step(op, piece) || !cursor_.ok()) return kMalformed;
  }
  if (any && !Finish(piece)) return kMalformed;
  piece.known = known_;
  return ExpressionResult::kValue;
}

// A part that no operation placed otherwise lies at the stack's top.
bool ExpressionMachine::Finish(PieceOutcome& piece) {
  if (piece.kind != Kind::kEmpty) return true;
  std::uint64_t* top = Entry(0);
  if (top == nullptr) return false;
  piece.kind = Kind::kAddress;
  piece.value = *top;
  return true;
}

// A branch's target counts from the end of its operand and must lie inside
// the expression (its end included).
bool ExpressionMachine::Branch(bool taken) {
  std::int64_t delta = static_cast<std::int16_t>(cursor_.ReadUHalf());
  if (!cursor_.ok()) return false;
  if (!taken) return true;
  std::int64_t to = cursor_.Pos() + delta;
  if (to < 0 || to > cursor_.Limit()) return false;
  cursor_.Seek(to);
  return true;
}

// The operations that move or combine entries.
bool ExpressionMachine::StackOperation(int op) {
  std::uint64_t* top = Entry(0);
  std::uint64_t* second = Entry(1);
  if (top == nullptr) return false;
  switch (op) {
    case kOpDup:
      return Push(*top);
    case kOpDrop:
      --depth_;
      return true;
    case kOpNeg:
      *top = 0 - *top;
      return true;
    case kOpNot:
      *top = ~*top;
      return true;
    case kOpAbs:
      if (static_cast<std::int64_t>(*top) < 0) *top = 0 - *top;
      return true;
    case kOpPlusUconst:
      *top += cursor_.ReadULEB128();
      return true;
    case kOpBra: {
      bool taken = *top != 0;
      --depth_;
      return Branch(taken);
    }
    default:
      break;
  }
  if (second == nullptr) return false;
  if (op == kOpOver) return Push(*second);
  if (op == kOpSwap) {
    std::uint64_t t = *top;
    *top = *second;
    *second = t;
    return true;
  }
  std::uint64_t out = 0;
  bool defined = true;
  if (!CombineOperands(op, *second, *top, out, defined)) return false;
  if (!defined) known_ = false;
  --depth_;
  *second = out;
  return true;
}

bool ExpressionMachine::Step(int op, PieceOutcome& piece) {
  if (op >= kOpLit0 && op <= kOpLit31) return Push(static_cast<std::uint64_t>(op - kOpLit0));
  if (op >= kOpBreg0 && op <= kOpBreg31) {
    return Register(static_cast<std::uint64_t>(op - kOpBreg0), cursor_.ReadLEB128());
  }
  std::uint64_t v = 0;
  if (ReadConstantOperand(cursor_, op, v)) return Push(v);
  switch (op) {
    case kOpBregx: {
      std::uint64_t reg = cursor_.ReadULEB128();
      return Register(reg, cursor_.ReadLEB128());
    }
    case kOpPick: {
      std::uint64_t* entry = Entry(cursor_.ReadUnsigned(1));
      return entry != nullptr && Push(*entry);
    }
    case kOpDeref:
      return Deref(8);
    case kOpDerefSize:
      return Deref(cursor_.ReadUnsigned(1));
    case kOpSkip:
      return Branch(true);
    case kOpNop:
      return true;
    case kOpAddrx:
    case kOpGnuAddrIndex:
      return Indexed(true);
    case kOpConstx:
    case kOpGnuConstIndex:
      return Indexed(false);
    case kOpEntryValue:
    case kOpGnuEntryValue:
      return EntryValue();
    default:
      return PlaceOperation(op, piece);
  }
}

}  // namespace rt
