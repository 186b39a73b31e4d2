// Call-frame rules' expressions on the one expression machine.
#include "dwarf/expression/expression.h"

#include "dwarf/expression/expression_machine.h"

namespace rt {

ExpressionResult EvaluateFrameExpression(DwarfCursor& cursor, std::int64_t offset,
                                         std::uint32_t length, const ExpressionInputs& inputs,
                                         const std::uint64_t* push_first, std::uint64_t& result) {
  constexpr ExpressionResult kMalformed = ExpressionResult::kMalformed;
  if (offset < 0 || cursor.source() == nullptr ||
      length > static_cast<std::uint64_t>(cursor.source()->Size()) ||
      offset > cursor.source()->Size() - static_cast<std::int64_t>(length)) {
    return kMalformed;
  }
  cursor.Init(offset, length);
  // A rule's expression has no frame base, entry values or unit: those
  // operations answer as not known, or as not read.
  const ExpressionContext none;
  ExpressionMachine machine(cursor, inputs, none);
  if (push_first != nullptr) machine.Seed(*push_first);
  PieceOutcome piece;
  // A rule's value is an address or a value, never a register or parts.
  if (machine.NextPiece(piece) != ExpressionResult::kValue || piece.has_size ||
      piece.kind != PieceOutcome::Kind::kAddress) {
    return kMalformed;
  }
  if (!piece.known) return ExpressionResult::kUnknown;
  result = piece.value;
  return ExpressionResult::kValue;
}

}  // namespace rt
