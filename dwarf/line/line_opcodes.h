// The opcodes of a line-number program and the line register's step, for
// the row machine's interpreter.
#pragma once

#include <cstdint>

namespace rt::line_opcodes {

enum StandardOpcode {
  kCopy = 1,
  kAdvancePc,
  kAdvanceLine,
  kSetFile,
  kSetColumn,
  kNegateStmt,
  kSetBasicBlock,
  kConstAddPc,
  kFixedAdvancePc,
  kSetPrologueEnd,
  kSetEpilogueBegin,
  kSetIsa,
};

enum ExtendedOpcode { kEndSequence = 1, kSetAddress = 2, kDefineFile = 3, kSetDiscriminator = 4 };

// Line steps come from the file: the register wraps instead of overflowing.
inline std::int64_t AddToLine(std::int64_t line, std::int64_t step) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(line) +
                                   static_cast<std::uint64_t>(step));
}

}  // namespace rt::line_opcodes
