// The DWARF expression stack machine of call-frame rules.
#include "dwarf/expression/expression.h"

namespace rt {

namespace {

enum ExpressionOpcode : std::uint8_t {
  kDeref = 0x06,
  kConst1u = 0x08,
  kConst1s = 0x09,
  kConst2u = 0x0A,
  kConst2s = 0x0B,
  kConst4u = 0x0C,
  kConst4s = 0x0D,
  kConst8u = 0x0E,
  kConst8s = 0x0F,
  kConstu = 0x10,
  kConsts = 0x11,
  kDup = 0x12,
  kDrop = 0x13,
  kOver = 0x14,
  kPick = 0x15,
  kSwap = 0x16,
  kAnd = 0x1A,
  kMinus = 0x1C,
  kMul = 0x1E,
  kNeg = 0x1F,
  kNot = 0x20,
  kOr = 0x21,
  kPlus = 0x22,
  kPlusUconst = 0x23,
  kShl = 0x24,
  kShr = 0x25,
  kShra = 0x26,
  kXor = 0x27,
  kBra = 0x28,
  kEq = 0x29,
  kGe = 0x2A,
  kGt = 0x2B,
  kLe = 0x2C,
  kLt = 0x2D,
  kNe = 0x2E,
  kSkip = 0x2F,
  kLit0 = 0x30,
  kLit31 = 0x4F,
  kBreg0 = 0x70,
  kBreg31 = 0x8F,
  kBregx = 0x92,
  kNop = 0x96,
};

// The C library's expressions need three entries and a dozen steps; these
// bounds leave room and end any loop that branches build.
constexpr int kMaxDepth = 64;
constexpr int kMaxSteps = 1000;

constexpr ExpressionResult kValue = ExpressionResult::kValue;
constexpr ExpressionResult kMalformed = ExpressionResult::kMalformed;

std::int64_t Signed(std::uint64_t v) {
  return static_cast<std::int64_t>(v);
}

// A two-operand operation: a is the entry below the top, b the top.
bool Combine(int op, std::uint64_t a, std::uint64_t b, std::uint64_t& out) {
  switch (op) {
    case kAnd:
      out = a & b;
      return true;
    case kMinus:
      out = a - b;
      return true;
    case kMul:
      out = a * b;
      return true;
    case kOr:
      out = a | b;
      return true;
    case kPlus:
      out = a + b;
      return true;
    case kShl:
      out = b < 64 ? a << b : 0;
      return true;
    case kShr:
      out = b < 64 ? a >> b : 0;
      return true;
    case kShra:
      out = static_cast<std::uint64_t>(Signed(a) >> (b < 64 ? b : 63));
      return true;
    case kXor:
      out = a ^ b;
      return true;
    case kEq:
      out = a == b;
      return true;
    case kGe:
      out = Signed(a) >= Signed(b);
      return true;
    case kGt:
      out = Signed(a) > Signed(b);
      return true;
    case kLe:
      out = Signed(a) <= Signed(b);
      return true;
    case kLt:
      out = Signed(a) < Signed(b);
      return true;
    case kNe:
      out = a != b;
      return true;
    default:
      return false;
  }
}

class Evaluator {
 public:
  Evaluator(DwarfCursor& cursor, const ExpressionInputs& inputs)
      : cursor_(cursor), inputs_(inputs) {}

  ExpressionResult Run(std::uint32_t length, const std::uint64_t* push_first,
                       std::uint64_t& result);

 private:
  bool Push(std::uint64_t v) {
    if (depth_ == kMaxDepth) return false;
    stack_[depth_++] = v;
    return true;
  }
  // The entry n below the top, n = 0 the top itself.
  std::uint64_t* Entry(std::uint64_t n) {
    return n < static_cast<std::uint64_t>(depth_) ? &stack_[depth_ - 1 - n] : nullptr;
  }
  ExpressionResult Step(int op);
  ExpressionResult StackOperation(int op);
  ExpressionResult Register(std::uint64_t reg, std::int64_t offset);
  ExpressionResult Deref();
  ExpressionResult Branch(bool taken);

  DwarfCursor& cursor_;
  const ExpressionInputs& inputs_;
  std::uint64_t stack_[kMaxDepth];
  int depth_ = 0;
};

ExpressionResult Evaluator::Run(std::uint32_t length, const std::uint64_t* push_first,
                                std::uint64_t& result) {
  if (push_first != nullptr) Push(*push_first);
  for (int steps = 0; cursor_.Pos() < static_cast<std::int64_t>(length); ++steps) {
    if (steps == kMaxSteps) return kMalformed;
    int op = cursor_.ReadNext();
    if (op < 0) return kMalformed;
    ExpressionResult r = Step(op);
    if (r != kValue) return r;
    if (!cursor_.ok()) return kMalformed;
  }
  std::uint64_t* top = Entry(0);
  if (top == nullptr) return kMalformed;
  result = *top;
  return kValue;
}

ExpressionResult Evaluator::Register(std::uint64_t reg, std::int64_t offset) {
  std::uint64_t base;
  if (inputs_.layout.pc_register >= 0 &&
      reg == static_cast<std::uint64_t>(inputs_.layout.pc_register)) {
    base = inputs_.regs.pc;
  } else if (reg < kMaxFrameRegisters && inputs_.regs.Has(static_cast<int>(reg))) {
    base = inputs_.regs.value[reg];
  } else {
    return ExpressionResult::kUnknown;
  }
  return Push(base + static_cast<std::uint64_t>(offset)) ? kValue : kMalformed;
}

ExpressionResult Evaluator::Deref() {
  std::uint64_t* top = Entry(0);
  if (top == nullptr) return kMalformed;
  return inputs_.memory.ReadWord(*top, *top) ? kValue : ExpressionResult::kUnknown;
}

// A branch's target counts from the end of its operand and must lie inside
// the expression (its end included).
ExpressionResult Evaluator::Branch(bool taken) {
  std::int64_t delta = static_cast<std::int16_t>(cursor_.ReadUHalf());
  if (!cursor_.ok()) return kMalformed;
  if (!taken) return kValue;
  std::int64_t to = cursor_.Pos() + delta;
  if (to < 0 || to > cursor_.Limit()) return kMalformed;
  cursor_.Seek(to);
  return kValue;
}

// The operations that move or combine entries.
ExpressionResult Evaluator::StackOperation(int op) {
  std::uint64_t* top = Entry(0);
  std::uint64_t* second = Entry(1);
  if (top == nullptr) return kMalformed;
  switch (op) {
    case kDup:
      return Push(*top) ? kValue : kMalformed;
    case kDrop:
      --depth_;
      return kValue;
    case kNeg:
      *top = 0 - *top;
      return kValue;
    case kNot:
      *top = ~*top;
      return kValue;
    case kPlusUconst:
      *top += cursor_.ReadULEB128();
      return kValue;
    case kBra: {
      bool taken = *top != 0;
      --depth_;
      return Branch(taken);
    }
    default:
      break;
  }
  if (second == nullptr) return kMalformed;
  if (op == kOver) return Push(*second) ? kValue : kMalformed;
  if (op == kSwap) {
    std::uint64_t t = *top;
    *top = *second;
    *second = t;
    return kValue;
  }
  std::uint64_t out;
  if (!Combine(op, *second, *top, out)) return kMalformed;
  --depth_;
  *second = out;
  return kValue;
}

ExpressionResult Evaluator::Step(int op) {
  if (op >= kLit0 && op <= kLit31)
    return Push(static_cast<std::uint64_t>(op - kLit0)) ? kValue : kMalformed;
  if (op >= kBreg0 && op <= kBreg31)
    return Register(static_cast<std::uint64_t>(op - kBreg0), cursor_.ReadLEB128());
  std::uint64_t v = 0;
  switch (op) {
    case kConst1u:
      v = cursor_.ReadUnsigned(1);
      break;
    case kConst1s:
      v = static_cast<std::uint64_t>(static_cast<std::int8_t>(cursor_.ReadUnsigned(1)));
      break;
    case kConst2u:
      v = cursor_.ReadUnsigned(2);
      break;
    case kConst2s:
      v = static_cast<std::uint64_t>(static_cast<std::int16_t>(cursor_.ReadUnsigned(2)));
      break;
    case kConst4u:
      v = cursor_.ReadUnsigned(4);
      break;
    case kConst4s:
      v = static_cast<std::uint64_t>(static_cast<std::int32_t>(cursor_.ReadUnsigned(4)));
      break;
    case kConst8u:
    case kConst8s:
      v = cursor_.ReadUnsigned(8);
      break;
    case kConstu:
      v = cursor_.ReadULEB128();
      break;
    case kConsts:
      v = static_cast<std::uint64_t>(cursor_.ReadLEB128());
      break;
    case kBregx: {
      std::uint64_t reg = cursor_.ReadULEB128();
      return Register(reg, cursor_.ReadLEB128());
    }
    case kPick: {
      std::uint64_t* entry = Entry(cursor_.ReadUnsigned(1));
      return entry != nullptr && Push(*entry) ? kValue : kMalformed;
    }
    case kDeref:
      return Deref();
    case kSkip:
      return Branch(true);
    case kNop:
      return kValue;
    default:
      return StackOperation(op);
  }
  return Push(v) ? kValue : kMalformed;
}

}  // namespace

ExpressionResult EvaluateFrameExpression(DwarfCursor& cursor, std::int64_t offset,
                                         std::uint32_t length, const ExpressionInputs& inputs,
                                         const std::uint64_t* push_first, std::uint64_t& result) {
  if (offset < 0 || cursor.source() == nullptr ||
      length > static_cast<std::uint64_t>(cursor.source()->Size()) ||
      offset > cursor.source()->Size() - static_cast<std::int64_t>(length)) {
    return kMalformed;
  }
  cursor.Init(offset, length);
  Evaluator evaluator(cursor, inputs);
  return evaluator.Run(length, push_first, result);
}

}  // namespace rt
