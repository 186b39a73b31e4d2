// Evaluating a location expression part by part.
#include "dwarf/location/location.h"

#include "dwarf/expression/expression_machine.h"

namespace rt {

namespace {

using Kind = LocationPiece::Kind;
using Outcome = PieceOutcome::Kind;

ExpressionContext ContextOf(const LocationInputs& in) {
  ExpressionContext c;
  c.cfa = in.cfa;
  c.has_cfa = in.has_cfa;
  c.frame_base = in.frame_base;
  c.has_frame_base = in.has_frame_base;
  c.entry_regs = in.entry_regs;
  c.load_delta = in.load_delta;
  c.sources = in.sources;
  c.shape = in.shape;
  c.addr_base = in.addr_base;
  return c;
}

// The size of a part: whole bytes from the value's first bit, as compilers
// write them; kUnknown for a part of bits, which is not described.
LocationResult SizeOf(const PieceOutcome& out, std::uint32_t& size) {
  size = 0;
  if (!out.has_size) return LocationResult::kLocated;
  if (out.size_bits == 0 || out.size_bits / 8 > 0xFFFFFFFFu) return LocationResult::kMalformed;
  if (out.size_bits % 8 != 0 || out.bit_offset != 0) return LocationResult::kUnknown;
  size = static_cast<std::uint32_t>(out.size_bits / 8);
  return LocationResult::kLocated;
}

void Describe(const PieceOutcome& out, LocationPiece& piece) {
  if (!out.known) return;
  switch (out.kind) {
    case Outcome::kAddress:
      piece.kind = Kind::kMemory;
      piece.address = out.value;
      return;
    case Outcome::kRegister:
      piece.kind = Kind::kRegister;
      piece.reg = static_cast<int>(out.reg);
      return;
    case Outcome::kValue:
      piece.kind = Kind::kValue;
      piece.value = out.value;
      return;
    case Outcome::kImplicit:
      if (out.byte_count > sizeof piece.bytes) return;
      piece.kind = Kind::kImplicit;
      piece.byte_count = static_cast<std::uint8_t>(out.byte_count);
      for (std::uint64_t i = 0; i < out.byte_count; ++i) piece.bytes[i] = out.bytes[i];
      return;
    default:  // kept nowhere, or in another entry
      return;
  }
}

}  // namespace

LocationResult EvaluateLocation(DwarfCursor& cursor, std::int64_t offset, std::uint32_t length,
                                const LocationInputs& inputs, Location& location) {
  location = Location();
  if (offset < 0 || cursor.source() == nullptr ||
      length > static_cast<std::uint64_t>(cursor.source()->Size()) ||
      offset > cursor.source()->Size() - static_cast<std::int64_t>(length)) {
    return LocationResult::kMalformed;
  }
  if (length == 0) return LocationResult::kOptimizedOut;
  cursor.Init(offset, length);
  ExpressionInputs frame{inputs.regs, inputs.layout, inputs.memory};
  ExpressionContext context = ContextOf(inputs);
  ExpressionMachine machine(cursor, frame, context);
  bool any_known = false, all_empty = true;
  // Each part takes at least one byte: the loop ends with the expression.
  while (!machine.AtEnd()) {
    PieceOutcome out;
    if (machine.NextPiece(out) != ExpressionResult::kValue) return LocationResult::kMalformed;
    // A part without a size is the whole object, never one of several.
    if (!out.has_size && location.count != 0) return LocationResult::kMalformed;
    if (location.count == Location::kMaxPieces) return LocationResult::kUnknown;
    LocationPiece& piece = location.pieces[location.count++];
    LocationResult sized = SizeOf(out, piece.size);
    if (sized != LocationResult::kLocated) return sized;
    Describe(out, piece);
    any_known = any_known || piece.kind != Kind::kUnknown;
    all_empty = all_empty && out.kind == Outcome::kEmpty;
  }
  if (all_empty) return LocationResult::kOptimizedOut;
  return any_known ? LocationResult::kLocated : LocationResult::kUnknown;
}

}  // namespace rt
