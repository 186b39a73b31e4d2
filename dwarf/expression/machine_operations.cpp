// The expression machine's operations on registers, memory and the unit's
// tables, and those that say where a part is rather than compute a value.
#include "dwarf/expression/expression_machine.h"
#include "dwarf/expression/expression_opcodes.h"
#include "dwarf/strings.h"

namespace rt {

namespace {

using Kind = PieceOutcome::Kind;

// No processor numbers its registers past this; a larger number is no
// register's.
constexpr std::uint64_t kMaxRegisterNumber = 0xFFFF;

std::int64_t Signed(std::uint64_t v) {
  return static_cast<std::int64_t>(v);
}

}  // namespace

bool CombineOperands(int op, std::uint64_t a, std::uint64_t b, std::uint64_t& out, bool& defined) {
  switch (op) {
    case kOpAnd:
      return out = a & b, true;
    case kOpMinus:
      return out = a - b, true;
    case kOpMul:
      return out = a * b, true;
    case kOpOr:
      return out = a | b, true;
    case kOpPlus:
      return out = a + b, true;
    case kOpXor:
      return out = a ^ b, true;
    case kOpShl:
      return out = b < 64 ? a << b : 0, true;
    case kOpShr:
      return out = b < 64 ? a >> b : 0, true;
    case kOpShra:
      return out = static_cast<std::uint64_t>(Signed(a) >> (b < 64 ? b : 63)), true;
    case kOpDiv:
      defined = b != 0;
      // The one quotient past the range, of the least value by -1, wraps.
      out = b == 0            ? 0
            : Signed(b) == -1 ? 0 - a
                              : static_cast<std::uint64_t>(Signed(a) / Signed(b));
      return true;
    case kOpMod:
      defined = b != 0;
      return out = b == 0 ? 0 : a % b, true;
    case kOpEq:
      return out = a == b, true;
    case kOpNe:
      return out = a != b, true;
    case kOpGe:
      return out = Signed(a) >= Signed(b), true;
    case kOpGt:
      return out = Signed(a) > Signed(b), true;
    case kOpLe:
      return out = Signed(a) <= Signed(b), true;
    case kOpLt:
      return out = Signed(a) < Signed(b), true;
    default:
      return false;
  }
}

bool ReadConstantOperand(DwarfCursor& cursor, int op, std::uint64_t& value) {
  switch (op) {
    case kOpConst1u:
      return value = cursor.ReadUnsigned(1), true;
    case kOpConst1s:
      return value = static_cast<std::uint64_t>(static_cast<std::int8_t>(cursor.ReadUnsigned(1))),
             true;
    case kOpConst2u:
      return value = cursor.ReadUnsigned(2), true;
    case kOpConst2s:
      return value = static_cast<std::uint64_t>(static_cast<std::int16_t>(cursor.ReadUnsigned(2))),
             true;
    case kOpConst4u:
      return value = cursor.ReadUnsigned(4), true;
    case kOpConst4s:
      return value = static_cast<std::uint64_t>(static_cast<std::int32_t>(cursor.ReadUnsigned(4))),
             true;
    case kOpConst8u:
    case kOpConst8s:
      return value = cursor.ReadUnsigned(8), true;
    case kOpConstu:
      return value = cursor.ReadULEB128(), true;
    case kOpConsts:
      return value = static_cast<std::uint64_t>(cursor.ReadLEB128()), true;
    default:
      return false;
  }
}

// A DW_OP_breg of the layout's pc register gives the frame's pc.
bool ExpressionMachine::Register(std::uint64_t reg, std::int64_t offset) {
  const FrameRegisters& regs = inputs_.regs;
  int pc = inputs_.layout.pc_register;
  if (pc >= 0 && reg == static_cast<std::uint64_t>(pc)) {
    return Push(regs.pc + static_cast<std::uint64_t>(offset));
  }
  if (reg >= kMaxFrameRegisters || !regs.Has(static_cast<int>(reg))) return PushUnknown();
  return Push(regs.value[reg] + static_cast<std::uint64_t>(offset));
}

// Memory is read a word at a time; a smaller value is the word's first
// bytes, the processors read being little-endian.
bool ExpressionMachine::Deref(std::uint64_t size) {
  std::uint64_t* top = Entry(0);
  if (top == nullptr || size == 0 || size > 8) return false;
  std::uint64_t word = 0;
  if (!known_ || !inputs_.memory.ReadWord(*top, word)) known_ = false;
  *top = size == 8 ? word : word & ((std::uint64_t{1} << (size * 8)) - 1);
  return true;
}

// An entry of .debug_addr: an address (moved by the load delta) or a constant.
bool ExpressionMachine::Indexed(bool is_address) {
  std::uint64_t index = cursor_.ReadULEB128(), value = 0;
  if (context_.sources == nullptr || !cursor_.ok() ||
      !ReadIndexedAddress(*context_.sources, context_.shape, context_.addr_base, index, value)) {
    return false;
  }
  return Push(is_address ? value + context_.load_delta : value);
}

// Only an entry value of one register is read, from the registers at the
// function's entry; any other sub-expression is passed over as not known.
bool ExpressionMachine::EntryValue() {
  std::uint64_t n = cursor_.ReadULEB128();
  if (!cursor_.ok() || n == 0 || n > static_cast<std::uint64_t>(cursor_.Limit() - cursor_.Pos())) {
    return false;
  }
  std::int64_t end = cursor_.Pos() + static_cast<std::int64_t>(n);
  int op = cursor_.ReadNext();
  std::uint64_t reg = kMaxFrameRegisters;
  if (op >= kOpReg0 && op <= kOpReg31) reg = static_cast<std::uint64_t>(op - kOpReg0);
  if (op == kOpRegx) reg = cursor_.ReadULEB128();
  if (!cursor_.ok()) return false;
  bool single = cursor_.Pos() == end && reg < kMaxFrameRegisters;
  cursor_.Seek(end);
  const FrameRegisters* entry = context_.entry_regs;
  if (single && entry != nullptr && entry->Has(static_cast<int>(reg))) {
    return Push(entry->value[reg]);
  }
  return PushUnknown();
}

bool ExpressionMachine::ImplicitValue(PieceOutcome& piece) {
  std::uint64_t n = cursor_.ReadULEB128();
  if (!cursor_.ok() || n > static_cast<std::uint64_t>(cursor_.Limit() - cursor_.Pos())) {
    return false;
  }
  std::uint64_t kept = n < sizeof piece.bytes ? n : sizeof piece.bytes;
  cursor_.ReadNext(piece.bytes, static_cast<std::int64_t>(kept));
  cursor_.Skip(n - kept);
  piece.kind = Kind::kImplicit;
  piece.byte_count = n;
  return true;
}

// Operations on values of a base type: their operands are read, their
// values are not known.
bool ExpressionMachine::TypedOperation(int op) {
  switch (op) {
    case kOpConstType:
    case kOpGnuConstType:
      cursor_.ReadULEB128();
      cursor_.Skip(cursor_.ReadUnsigned(1));
      return PushUnknown();
    case kOpRegvalType:
    case kOpGnuRegvalType:
      cursor_.ReadULEB128();
      cursor_.ReadULEB128();
      return PushUnknown();
    case kOpGnuParameterRef:
      cursor_.ReadUnsigned(4);
      return PushUnknown();
    case kOpDerefType:
    case kOpGnuDerefType:
      cursor_.ReadUnsigned(1);
      cursor_.ReadULEB128();
      return Entry(0) != nullptr && (--depth_, PushUnknown());
    case kOpConvert:
    case kOpGnuConvert:
    case kOpReinterpret:
    case kOpGnuReinterpret: {
      // A conversion to the generic type (0) keeps the value.
      bool keeps = cursor_.ReadULEB128() == 0;
      std::uint64_t* top = Entry(0);
      if (top == nullptr) return false;
      if (!keeps) *top = 0, known_ = false;
      return true;
    }
    default:
      return StackOperation(op);
  }
}

// The operations that say where the part is, or read the frame's CFA and
// base and the unit's addresses.
bool ExpressionMachine::PlaceOperation(int op, PieceOutcome& piece) {
  std::uint64_t* top = Entry(0);
  if ((op >= kOpReg0 && op <= kOpReg31) || op == kOpRegx) {
    std::uint64_t reg =
        op == kOpRegx ? cursor_.ReadULEB128() : static_cast<std::uint64_t>(op - kOpReg0);
    piece.kind = Kind::kRegister;
    piece.reg = reg;
    return reg <= kMaxRegisterNumber;
  }
  switch (op) {
    case kOpStackValue:
      piece.kind = Kind::kValue;
      return top != nullptr && (piece.value = *top, true);
    case kOpImplicitValue:
      return ImplicitValue(piece);
    case kOpImplicitPointer:
    case kOpGnuImplicitPointer:
      cursor_.ReadUnsigned(context_.shape.offset_size == 8 ? 8 : 4);
      cursor_.ReadLEB128();
      piece.kind = Kind::kElsewhere;
      return true;
    case kOpAddr: {
      int size = context_.shape.address_size;
      return size >= 1 && size <= 8 && Push(cursor_.ReadUnsigned(size) + context_.load_delta);
    }
    case kOpFbreg: {
      std::uint64_t offset = static_cast<std::uint64_t>(cursor_.ReadLEB128());
      return context_.has_frame_base ? Push(context_.frame_base + offset) : PushUnknown();
    }
    case kOpCallFrameCfa:
      return context_.has_cfa ? Push(context_.cfa) : PushUnknown();
    case kOpFormTlsAddress:
    case kOpGnuPushTlsAddress:
      // A thread's own storage is not found from here.
      if (top == nullptr) return false;
      return *top = 0, known_ = false, true;
    default:
      return TypedOperation(op);
  }
}

}  // namespace rt
