// The call-frame instructions, interpreted into the row of rules for an
// address.
#include "dwarf/frame/frame_rules.h"

namespace rt {

namespace {

enum CallFrameOpcode : std::uint8_t {
  kNop = 0x00,
  kSetLoc = 0x01,
  kAdvanceLoc1 = 0x02,
  kAdvanceLoc2 = 0x03,
  kAdvanceLoc4 = 0x04,
  kOffsetExtended = 0x05,
  kRestoreExtended = 0x06,
  kUndefined = 0x07,
  kSameValue = 0x08,
  kRegister = 0x09,
  kRememberState = 0x0A,
  kRestoreState = 0x0B,
  kDefCfa = 0x0C,
  kDefCfaRegister = 0x0D,
  kDefCfaOffset = 0x0E,
  kDefCfaExpression = 0x0F,
  kExpression = 0x10,
  kOffsetExtendedSf = 0x11,
  kDefCfaSf = 0x12,
  kDefCfaOffsetSf = 0x13,
  kValOffset = 0x14,
  kValOffsetSf = 0x15,
  kValExpression = 0x16,
  kNegateRaState = 0x2D,  // aarch64; no operands, as the same number's window save elsewhere
  kGnuArgsSize = 0x2E,
  kGnuNegativeOffsetExtended = 0x2F,
  // The top two bits of these carry the opcode, the low six an operand.
  kAdvanceLoc = 0x40,
  kOffset = 0x80,
  kRestore = 0xC0,
};

// The C library nests remember_state one deep, compilers a few; deeper is taken for
// damage.
constexpr int kMaxRememberedStates = 16;
constexpr std::int64_t kInstructionReadSize = 256;

// Factored offsets come from the data: the product wraps, never overflows.
std::int64_t Factored(std::uint64_t n, std::int64_t factor) {
  return static_cast<std::int64_t>(n * static_cast<std::uint64_t>(factor));
}

class RuleMachine {
 public:
  RuleMachine(DwarfCursor& cursor, const FrameSection& frames, const FrameDescription& fde,
              std::uint64_t pc, FrameRow& row)
      : cursor_(cursor), frames_(frames), fde_(fde), pc_(pc), row_(row) {}

  // Runs the instructions at [begin, end) of the section, up to the first
  // location past pc; false when they cannot be read.
  bool Run(std::int64_t begin, std::int64_t end);
  bool reached() const { return reached_; }
  // The rules after the CIE's instructions, which DW_CFA_restore returns to.
  void KeepInitial() { initial_ = row_.rules; }

 private:
  bool Execute(int op);
  bool Extended(int op);
  // Moves the location on to `to`; past pc, the row is found.
  bool MoveTo(std::uint64_t to);
  bool Advance(std::uint64_t delta);
  // The rule of a register, or null for one beyond those the walk keeps,
  // whose rules are read and dropped.
  RegisterRule* RuleOf(std::uint64_t reg);
  void SetRule(std::uint64_t reg, RuleKind kind, std::int64_t value);
  bool ReadBlock(RegisterRule& rule);
  bool SetCfaOffset(std::int64_t offset);

  DwarfCursor& cursor_;
  const FrameSection& frames_;
  const FrameDescription& fde_;
  std::uint64_t pc_;
  FrameRow& row_;
  std::int64_t window_ = 0;  // the section offset of the cursor's window
  bool reached_ = false;
  FrameRules initial_;
  FrameRules stack_[kMaxRememberedStates];
  int depth_ = 0;
};

bool RuleMachine::Run(std::int64_t begin, std::int64_t end) {
  window_ = begin;
  cursor_.SetReadSize(kInstructionReadSize);
  cursor_.Init(begin, end - begin);
  // Every instruction takes at least one byte of the window.
  while (!reached_) {
    int op = cursor_.ReadNext();
    if (op < 0) return cursor_.error() != CursorError::kReadFailed;
    if (!Execute(op) || !cursor_.ok()) return false;
  }
  return true;
}

bool RuleMachine::MoveTo(std::uint64_t to) {
  if (to < row_.start) return false;
  if (to > pc_) {
    reached_ = true;
    row_.end = to < row_.end ? to : row_.end;
  } else {
    row_.start = to;
  }
  return true;
}

bool RuleMachine::Advance(std::uint64_t delta) {
  std::uint64_t step = delta * fde_.cie.code_alignment;
  // A step that leaves the address space ends the row at the FDE's end.
  if (fde_.cie.code_alignment != 0 && step / fde_.cie.code_alignment != delta) {
    reached_ = true;
    return true;
  }
  std::uint64_t to = row_.start + step;
  if (to < row_.start) {
    reached_ = true;
    return true;
  }
  return MoveTo(to);
}

RegisterRule* RuleMachine::RuleOf(std::uint64_t reg) {
  return reg < kMaxFrameRegisters ? &row_.rules.registers[reg] : nullptr;
}

void RuleMachine::SetRule(std::uint64_t reg, RuleKind kind, std::int64_t value) {
  if (RegisterRule* rule = RuleOf(reg)) *rule = {value, 0, kind};
}

bool RuleMachine::ReadBlock(RegisterRule& rule) {
  std::uint64_t length = cursor_.ReadULEB128();
  rule.value = window_ + cursor_.Pos();
  rule.length = static_cast<std::uint32_t>(length);
  cursor_.Skip(length);
  return cursor_.ok() && length <= UINT32_MAX;
}

bool RuleMachine::SetCfaOffset(std::int64_t offset) {
  row_.rules.cfa_offset = offset;
  return row_.rules.cfa.kind == RuleKind::kRegister;
}

bool RuleMachine::Execute(int op) {
  std::uint64_t operand = static_cast<std::uint64_t>(op & 0x3F);
  std::int64_t data_alignment = fde_.cie.data_alignment;
  switch (op & 0xC0) {
    case kAdvanceLoc:
      return Advance(operand);
    case kOffset:
      SetRule(operand, RuleKind::kOffset, Factored(cursor_.ReadULEB128(), data_alignment));
      return true;
    case kRestore:
      if (RegisterRule* rule = RuleOf(operand)) *rule = initial_.registers[operand];
      return true;
    default:
      return Extended(op);
  }
}

// The opcodes whose operands all follow them.
bool RuleMachine::Extended(int op) {
  std::int64_t data_alignment = fde_.cie.data_alignment;
  RegisterRule block;
  std::uint64_t reg = 0, value = 0;
  switch (op) {
    case kNop:
      return true;
    case kSetLoc: {
      PointerBases bases{frames_.address + static_cast<std::uint64_t>(window_),
                         frames_.address_size};
      std::uint8_t encoding = fde_.cie.fde_encoding;
      return (encoding & kPointerIndirect) == 0 &&
             ReadEncodedPointer(cursor_, encoding, bases, value) && MoveTo(value);
    }
    case kAdvanceLoc1:
      return Advance(cursor_.ReadUnsigned(1));
    case kAdvanceLoc2:
      return Advance(cursor_.ReadUnsigned(2));
    case kAdvanceLoc4:
      return Advance(cursor_.ReadUnsigned(4));
    case kOffsetExtended:
    case kValOffset:
      reg = cursor_.ReadULEB128();
      SetRule(reg, op == kValOffset ? RuleKind::kValOffset : RuleKind::kOffset,
              Factored(cursor_.ReadULEB128(), data_alignment));
      return true;
    case kOffsetExtendedSf:
    case kValOffsetSf:
      reg = cursor_.ReadULEB128();
      value = static_cast<std::uint64_t>(cursor_.ReadLEB128());
      SetRule(reg, op == kValOffsetSf ? RuleKind::kValOffset : RuleKind::kOffset,
              Factored(value, data_alignment));
      return true;
    case kGnuNegativeOffsetExtended:
      reg = cursor_.ReadULEB128();
      SetRule(reg, RuleKind::kOffset, -Factored(cursor_.ReadULEB128(), data_alignment));
      return true;
    case kRestoreExtended:
      reg = cursor_.ReadULEB128();
      if (RegisterRule* rule = RuleOf(reg)) *rule = initial_.registers[reg];
      return true;
    case kUndefined:
    case kSameValue:
      SetRule(cursor_.ReadULEB128(), op == kUndefined ? RuleKind::kUndefined : RuleKind::kSameValue,
              0);
      return true;
    case kRegister:
      reg = cursor_.ReadULEB128();
      value = cursor_.ReadULEB128();
      // A register beyond int's range is none the walk knows.
      SetRule(reg, RuleKind::kRegister, value < kMaxFrameRegisters ? std::int64_t(value) : -1);
      return true;
    case kRememberState:
      if (depth_ == kMaxRememberedStates) return false;
      stack_[depth_++] = row_.rules;
      return true;
    case kRestoreState:
      if (depth_ == 0) return false;
      row_.rules = stack_[--depth_];
      return true;
    case kDefCfa:
    case kDefCfaSf:
      reg = cursor_.ReadULEB128();
      row_.rules.cfa = {reg < kMaxFrameRegisters ? std::int64_t(reg) : -1, 0, RuleKind::kRegister};
      value = op == kDefCfa
                  ? cursor_.ReadULEB128()
                  : Factored(static_cast<std::uint64_t>(cursor_.ReadLEB128()), data_alignment);
      return SetCfaOffset(static_cast<std::int64_t>(value));
    case kDefCfaRegister:
      reg = cursor_.ReadULEB128();
      row_.rules.cfa = {reg < kMaxFrameRegisters ? std::int64_t(reg) : -1, 0, RuleKind::kRegister};
      return true;
    case kDefCfaOffset:
      return SetCfaOffset(static_cast<std::int64_t>(cursor_.ReadULEB128()));
    case kDefCfaOffsetSf:
      return SetCfaOffset(
          Factored(static_cast<std::uint64_t>(cursor_.ReadLEB128()), data_alignment));
    case kDefCfaExpression:
      block.kind = RuleKind::kValExpression;
      if (!ReadBlock(block)) return false;
      row_.rules.cfa = block;
      return true;
    case kExpression:
    case kValExpression:
      reg = cursor_.ReadULEB128();
      block.kind = op == kExpression ? RuleKind::kExpression : RuleKind::kValExpression;
      if (!ReadBlock(block)) return false;
      if (RegisterRule* rule = RuleOf(reg)) *rule = block;
      return true;
    case kNegateRaState:
      row_.rules.return_address_signed = !row_.rules.return_address_signed;
      return true;
    case kGnuArgsSize:
      cursor_.SkipLEB128();  // the bytes of outgoing arguments: no rule
      return true;
    default:
      return false;  // an opcode whose operands this reader cannot know
  }
}

}  // namespace

bool FindRuleRow(DwarfCursor& cursor, const FrameSection& frames, const FrameDescription& fde,
                 std::uint64_t pc, FrameRow& row) {
  row = FrameRow();
  row.fde_begin = row.start = fde.pc_begin;
  row.fde_end = row.end = fde.pc_end;
  row.return_column = fde.cie.return_column;
  row.signal_frame = fde.cie.signal_frame;
  RuleMachine machine(cursor, frames, fde, pc, row);
  if (!machine.Run(fde.cie.instructions, fde.cie.instructions_end)) return false;
  machine.KeepInitial();
  return machine.reached() || machine.Run(fde.instructions, fde.instructions_end);
}

}  // namespace rt
