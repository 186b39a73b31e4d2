// A step from a frame to its caller: the FDE that covers the pc, found by
// the header's search table or entry by entry, the row of rules that holds
// there, and the caller's registers worked out by them.
#include "dwarf/frame/call_frames.h"

#include "dwarf/expression/expression.h"
#include "dwarf/frame/eh_frame_header.h"
#include "dwarf/frame/frame_entries.h"
#include "dwarf/frame/frame_rules.h"

namespace rt {

namespace {

FrameStep FindDescription(DwarfCursor& cursor, const EhFrameSections& sections, std::uint64_t pc,
                          FrameDescription& fde) {
  FrameSection frames{sections.frames, sections.frames_address, sections.address_size};
  EntrySearch found;
  EhFrameHeader header;
  if (sections.header != nullptr) {
    cursor.Bind(sections.header);
    if (!ReadEhFrameHeader(cursor, sections.header_address, sections.address_size, header)) {
      return FrameStep::kCannotStep;
    }
  }
  if (header.count != 0) {
    std::uint64_t fde_address;
    TableSearch search =
        SearchEhFrameTable(cursor, header, sections.header_address, pc, fde_address);
    if (search == TableSearch::kBelowAll) return FrameStep::kNoInformation;
    std::uint64_t offset = fde_address - sections.frames_address;
    if (search == TableSearch::kUnreadable || sections.frames == nullptr ||
        offset >= static_cast<std::uint64_t>(sections.frames->Size())) {
      return FrameStep::kCannotStep;
    }
    cursor.Bind(sections.frames);
    found = ReadCoveringEntry(cursor, frames, static_cast<std::int64_t>(offset), pc, fde);
  } else {
    if (sections.frames == nullptr) return FrameStep::kNoInformation;
    cursor.Bind(sections.frames);
    found = ScanFrameEntries(cursor, frames, pc, fde);
  }
  if (found == EntrySearch::kMalformed) return FrameStep::kCannotStep;
  return found == EntrySearch::kFound ? FrameStep::kStepped : FrameStep::kNoInformation;
}

FrameStep FindRow(DwarfCursor& cursor, const EhFrameSections& sections, std::uint64_t pc,
                  FrameRow& row) {
  FrameDescription fde;
  FrameStep found = FindDescription(cursor, sections, pc, fde);
  if (found != FrameStep::kStepped) return found;
  FrameSection frames{sections.frames, sections.frames_address, sections.address_size};
  return FindRuleRow(cursor, frames, fde, pc, row) ? FrameStep::kStepped : FrameStep::kCannotStep;
}

// What the rules of a row read: the frame's registers, its CFA once known,
// and memory; the cursor is bound to .eh_frame, where expressions lie.
struct RuleInputs {
  DwarfCursor& cursor;
  ExpressionInputs expression;
  std::uint64_t cfa = 0;
};

bool RegisterValue(const ExpressionInputs& in, std::int64_t reg, std::uint64_t& value) {
  if (reg >= 0 && reg == in.layout.pc_register) {
    value = in.regs.pc;
    return true;
  }
  if (!in.regs.Has(static_cast<int>(reg))) return false;
  value = in.regs.value[reg];
  return true;
}

ExpressionResult CanonicalFrameAddress(RuleInputs& in, const FrameRules& rules,
                                       std::uint64_t& cfa) {
  if (rules.cfa.kind == RuleKind::kValExpression) {
    return EvaluateFrameExpression(in.cursor, rules.cfa.value, rules.cfa.length, in.expression,
                                   nullptr, cfa);
  }
  if (rules.cfa.kind != RuleKind::kRegister) return ExpressionResult::kMalformed;
  if (!RegisterValue(in.expression, rules.cfa.value, cfa)) return ExpressionResult::kUnknown;
  cfa += static_cast<std::uint64_t>(rules.cfa_offset);
  return ExpressionResult::kValue;
}

// The caller's value of register reg by its rule; kUnknown also for a rule
// that leaves it undefined, or none where calls do not preserve it.
ExpressionResult CallerValue(RuleInputs& in, const RegisterRule& rule, int reg,
                             std::uint64_t& value) {
  const ExpressionInputs& e = in.expression;
  ExpressionResult r = ExpressionResult::kValue;
  switch (rule.kind) {
    case RuleKind::kNone:
      if ((e.layout.callee_saved >> reg & 1) == 0) return ExpressionResult::kUnknown;
      [[fallthrough]];
    case RuleKind::kSameValue:
      return RegisterValue(e, reg, value) ? r : ExpressionResult::kUnknown;
    case RuleKind::kUndefined:
      return ExpressionResult::kUnknown;
    case RuleKind::kOffset:
      return e.memory.ReadWord(in.cfa + static_cast<std::uint64_t>(rule.value), value)
                 ? r
                 : ExpressionResult::kUnknown;
    case RuleKind::kValOffset:
      value = in.cfa + static_cast<std::uint64_t>(rule.value);
      return r;
    case RuleKind::kRegister:
      return RegisterValue(e, rule.value, value) ? r : ExpressionResult::kUnknown;
    case RuleKind::kExpression:
    case RuleKind::kValExpression:
      r = EvaluateFrameExpression(in.cursor, rule.value, rule.length, e, &in.cfa, value);
      if (r != ExpressionResult::kValue || rule.kind == RuleKind::kValExpression) return r;
      return e.memory.ReadWord(value, value) ? r : ExpressionResult::kUnknown;
  }
  return ExpressionResult::kMalformed;
}

// The caller's registers by the row; false when the data is malformed or
// the return address cannot be worked out.
bool CallerRegisters(RuleInputs& in, const FrameRow& row, FrameRegisters& caller) {
  const ExpressionInputs& e = in.expression;
  int ra = static_cast<int>(row.return_column);
  for (int reg = 0; reg < kMaxFrameRegisters; ++reg) {
    const RegisterRule& rule = row.rules.registers[reg];
    if (reg == e.layout.stack_pointer && reg != ra && rule.kind == RuleKind::kNone) {
      caller.Set(reg, in.cfa);  // the stack pointer's own rule is the CFA
      continue;
    }
    std::uint64_t value = 0;
    ExpressionResult r = CallerValue(in, rule, reg, value);
    if (r == ExpressionResult::kMalformed) return false;
    if (reg == ra) {
      if (r != ExpressionResult::kValue) return false;
      caller.pc = value;
    } else if (r == ExpressionResult::kValue) {
      caller.Set(reg, value);
    }
  }
  // The return-address column holds the caller's pc, not one of its
  // registers, unless it is the pc's own number.
  caller.Forget(ra);
  if (ra == e.layout.pc_register) caller.Set(ra, caller.pc);
  return true;
}

}  // namespace

FrameStep FindFrameRow(const EhFrameSections& sections, std::uint64_t pc, FrameRow& row) {
  DwarfCursor cursor;
  return FindRow(cursor, sections, pc, row);
}

FrameStep StepByCallFrames(const EhFrameSections& sections, const FrameLayout& layout,
                           FrameMemory& memory, std::uint64_t instruction, FrameRegisters& regs,
                           std::uint64_t& cfa, bool& caller_pc_is_exact) {
  caller_pc_is_exact = false;
  if (layout.stack_pointer < 0 || layout.stack_pointer >= kMaxFrameRegisters) {
    return FrameStep::kCannotStep;
  }
  DwarfCursor cursor;
  FrameRow row;
  FrameStep found = FindRow(cursor, sections, instruction, row);
  if (found != FrameStep::kStepped) return found;
  if (row.return_column >= kMaxFrameRegisters || row.rules.return_address_signed) {
    return FrameStep::kCannotStep;
  }
  if (row.rules.registers[row.return_column].kind == RuleKind::kUndefined) {
    return FrameStep::kOutermost;
  }
  RuleInputs in{cursor, {regs, layout, memory}};
  if (CanonicalFrameAddress(in, row.rules, in.cfa) != ExpressionResult::kValue) {
    return FrameStep::kCannotStep;
  }
  FrameRegisters caller;
  if (!CallerRegisters(in, row, caller)) return FrameStep::kCannotStep;
  cfa = in.cfa;
  caller_pc_is_exact = row.signal_frame;
  regs = caller;
  return FrameStep::kStepped;
}

}  // namespace rt
