// Telling a division that overflowed from one by zero: the processor
// raises the same fault for both, and the system reports both as a
// division by zero. The divisor is read from the faulting instruction's
// operand: a register, or a word of the thread's stack.
#include "platform/division.h"

namespace platform {

namespace {

// The general registers in the instruction encoding's order, by their
// numbers in the processor's DWARF numbering.
constexpr int kRegisterSlots[16] = {0, 2, 1, 3, 7, 6, 4, 5, 8, 9, 10, 11, 12, 13, 14, 15};

struct Instruction {
  const std::uint8_t* at;
  int bits = 32;  // the operand's size
  std::uint8_t rex = 0;
};

// The memory operand's address, from its ModRM byte on; false for a form
// not read here.
bool OperandAddress(const Instruction& in, const rt::FrameRegisters& r, std::uint64_t& address) {
  std::uint8_t modrm = in.at[0], mod = modrm >> 6, rm = modrm & 7;
  const std::uint8_t* next = in.at + 1;
  std::int64_t base = 0;
  if (rm == 4) {  // a SIB byte follows
    std::uint8_t sib = *next++;
    int index = (sib >> 3 & 7) | ((in.rex & 2) << 2), b = (sib & 7) | ((in.rex & 1) << 3);
    if (index != 4) base += static_cast<std::int64_t>(r.value[kRegisterSlots[index]]) << (sib >> 6);
    if ((sib & 7) == 5 && mod == 0) return false;
    base += static_cast<std::int64_t>(r.value[kRegisterSlots[b]]);
  } else if (rm == 5 && mod == 0) {
    return false;  // relative to the instruction: a static divisor, not on the stack
  } else {
    base += static_cast<std::int64_t>(r.value[kRegisterSlots[rm | ((in.rex & 1) << 3)]]);
  }
  if (mod == 1) base += static_cast<std::int8_t>(*next);
  if (mod == 2) {
    std::int32_t displacement;
    __builtin_memcpy(&displacement, next, 4);
    base += displacement;
  }
  address = static_cast<std::uint64_t>(base);
  return true;
}

}  // namespace

bool DivisionOverflowed(const rt::FrameRegisters& r, std::uint64_t stack_low,
                        std::uint64_t stack_top) {
  Instruction in{reinterpret_cast<const std::uint8_t*>(r.pc)};
  for (int i = 0; i < 4 && (*in.at == 0x66 || (*in.at & 0xF0) == 0x40); ++i, ++in.at) {
    if (*in.at == 0x66) in.bits = 16;
    if ((*in.at & 0xF0) == 0x40) in.rex = *in.at;
  }
  if (*in.at != 0xF6 && *in.at != 0xF7) return false;
  if (*in.at == 0xF6) return false;  // bytes are divided as ints
  if ((in.rex & 8) != 0) in.bits = 64;
  ++in.at;
  if ((in.at[0] >> 3 & 7) != 7) return false;  // only a signed division overflows so
  std::uint64_t divisor = 0;
  if ((in.at[0] >> 6) == 3) {
    divisor = r.value[kRegisterSlots[(in.at[0] & 7) | ((in.rex & 1) << 3)]];
  } else {
    std::uint64_t address = 0;
    if (!OperandAddress(in, r, address) || address < stack_low || stack_top - address < 8 ||
        address >= stack_top) {
      return false;
    }
    divisor = *reinterpret_cast<const std::uint64_t*>(address);
  }
  std::uint64_t mask = in.bits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << in.bits) - 1;
  return (divisor & mask) == mask;  // -1 in the operand's size
}

}  // namespace platform
