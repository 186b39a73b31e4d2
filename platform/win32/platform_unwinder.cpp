// The walk's step on Windows x64: the platform's own unwinder over the
// image's unwind data, on the calling thread's live stack. The unwinder
// reads the stack from the frame's base up (its stack pointer, or its frame
// register less the frame offset), so the unwind codes are first summed up
// to the most bytes it may read there, and it is called only where those
// bytes lie on the stack: a frame register that points elsewhere ends the
// walk instead of faulting, also inside the fault handler.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"
#include "platform/report_stack.h"
#include "platform/walk.h"
#include "platform/win32/context_registers.h"

namespace platform {

namespace {

// A frame register's number in unwind data indexes the context's general
// registers, which lie in the processor's own order from rax to r15.
static_assert(offsetof(CONTEXT, R15) - offsetof(CONTEXT, Rax) == 15 * sizeof(DWORD64));

// Unwind codes by their operation (the low four bits of a code's second byte).
enum : std::uint8_t {
  kPushNonvol = 0,
  kAllocLarge = 1,
  kAllocSmall = 2,
  kSetFpreg = 3,
  kSaveNonvol = 4,
  kSaveNonvolFar = 5,
  kEpilog = 6,  // version 2 only: describes an epilogue, reads nothing
  kSaveXmm128 = 8,
  kSaveXmm128Far = 9,
  kPushMachframe = 10,
};

// Longer than any chain of unwind data a compiler writes.
constexpr int kMaxChain = 32;

// Stack slots are word-aligned: a base off the words is no frame's.
struct Stack {
  std::uint64_t low, top;  // committed and the thread's own
  bool Holds(std::uint64_t base, std::uint64_t bytes) const {
    return base % 8 == 0 && base >= low && base < top && top - base >= bytes;
  }
};

// A word of the thread's own information block, which gs points at (read
// here rather than through the SDK's intrinsic, which the compiler takes
// for an access out of bounds).
template <std::size_t kOffset>
std::uint64_t ThreadBlockWord() {
  std::uint64_t value;
  asm("movq %%gs:%c1, %0" : "=r"(value) : "i"(kOffset));
  return value;
}

// The committed stack: below StackLimit it is only reserved, and reads
// there would fault, except that a stack which has run out may have its
// stack pointer in the guard area below, which the platform made readable
// to handle the fault.
Stack ThreadStack(std::uint64_t sp) {
  // A fault while a report was formed lies on the report's own stack.
  if (OnReportStack(sp)) return {ReportStackLimit(), ReportStackTop()};
  Stack stack = {ThreadBlockWord<offsetof(NT_TIB, StackLimit)>(),
                 ThreadBlockWord<offsetof(NT_TIB, StackBase)>()};
  MEMORY_BASIC_INFORMATION region;
  if (sp < stack.low &&
      ::VirtualQuery(reinterpret_cast<const void*>(sp), &region, sizeof region) == sizeof region &&
      region.State == MEM_COMMIT && region.Protect == PAGE_READWRITE &&
      reinterpret_cast<std::uint64_t>(region.BaseAddress) + region.RegionSize >= stack.low) {
    stack.low = reinterpret_cast<std::uint64_t>(region.BaseAddress);
  }
  return stack;
}

std::uint64_t Slot16(const std::uint8_t* code) {
  return code[0] | std::uint64_t{code[1]} << 8;
}
std::uint64_t Slot32(const std::uint8_t* code) {
  return Slot16(code) | Slot16(code + 2) << 16;
}

// One unwind code: how many two-byte slots it takes, the bytes it adds to
// the frame above its base (a push or an allocation), and where the slot of
// a register it saves ends, counted from the base.
struct Code {
  int op = 0, slots = 1;
  std::uint64_t grows = 0, save_end = 0;
};

// False for a code this step does not know, or one cut short.
bool Decode(const std::uint8_t* codes, int count, int i, int version, Code& c) {
  const std::uint8_t* code = codes + 2 * i;
  c.op = code[1] & 0xF;
  int op_info = code[1] >> 4;
  switch (c.op) {
    case kPushNonvol:
      c.grows = 8;
      break;
    case kAllocLarge:
      c.slots = op_info == 0 ? 2 : 3;
      if (i + c.slots > count) return false;
      c.grows = op_info == 0 ? Slot16(code + 2) * 8 : Slot32(code + 2);
      break;
    case kAllocSmall:
      c.grows = op_info * 8 + 8;
      break;
    case kSetFpreg:
      break;
    case kSaveNonvol:
    case kSaveNonvolFar:
    case kSaveXmm128:
    case kSaveXmm128Far: {
      bool wide = c.op == kSaveNonvolFar || c.op == kSaveXmm128Far;
      bool xmm = c.op == kSaveXmm128 || c.op == kSaveXmm128Far;
      c.slots = wide ? 3 : 2;
      if (i + c.slots > count) return false;
      c.save_end = (wide ? Slot32(code + 2) : Slot16(code + 2) * (xmm ? 16 : 8)) + (xmm ? 16 : 8);
      break;
    }
    case kEpilog:
      return version == 2;
    case kPushMachframe:
      c.grows = 48;
      break;
    default:
      return false;
  }
  return true;
}

// Whether everything the unwinder may read of the frame lies on the stack:
// the pushes, allocations and the return address above each base it counts
// from, and the saved registers at their offsets. Unwind data of a kind
// this step does not know is taken for unreadable.
bool ReadsOnStack(std::uint64_t image_base, const RUNTIME_FUNCTION& entry, const CONTEXT& context,
                  const Stack& stack) {
  std::uint64_t bytes = 8, saves = 0;
  std::uint64_t bases[kMaxChain + 1] = {context.Rsp};
  int base_count = 1;
  const RUNTIME_FUNCTION* function = &entry;
  std::uint64_t pc_offset = context.Rip - (image_base + entry.BeginAddress);
  for (int link = 0;; ++link) {
    if (link == kMaxChain) return false;
    const auto* info = reinterpret_cast<const std::uint8_t*>(image_base + function->UnwindData);
    int version = info[0] & 7, flags = info[0] >> 3, count = info[2];
    if (version != 1 && version != 2) return false;
    const std::uint8_t* codes = info + 4;
    // Within the prologue only the codes of the instructions that have run
    // apply; a chained entry's prologue has run in full.
    bool whole = link != 0 || pc_offset >= info[1], frame_set = whole;
    for (int i = 0; i < count;) {
      Code c;
      if (!Decode(codes, count, i, version, c)) return false;
      if (whole || codes[2 * i] <= pc_offset) {
        bytes += c.grows;
        if (c.save_end > saves) saves = c.save_end;
        if (c.op == kSetFpreg) frame_set = true;
      }
      i += c.slots;
    }
    int frame_register = info[3] & 0xF;
    if (frame_register != 0 && frame_set) {
      bases[base_count++] = (&context.Rax)[frame_register] - (info[3] >> 4) * 16;
    }
    if ((flags & UNW_FLAG_CHAININFO) == 0) break;
    function = reinterpret_cast<const RUNTIME_FUNCTION*>(codes + 2 * ((count + 1) & ~1));
  }
  if (saves > bytes) bytes = saves;
  for (int b = 0; b < base_count; ++b) {
    if (!stack.Holds(bases[b], bytes)) return false;
  }
  return true;
}

}  // namespace

PlatformStep StepByPlatformUnwinder(rt::FrameRegisters& registers, std::uint64_t& frame) {
  int sp = kWalkLayout.stack_pointer;
  if (!registers.Has(sp)) return PlatformStep::kCannotStep;
  Stack stack = ThreadStack(registers.value[sp]);
  if (!stack.Holds(registers.value[sp], 8)) return PlatformStep::kCannotStep;
  CONTEXT context;
  ContextOfRegisters(registers, context);
  DWORD64 image_base = 0;
  PRUNTIME_FUNCTION entry = ::RtlLookupFunctionEntry(context.Rip, &image_base, nullptr);
  if (entry == nullptr) {
    // A leaf, or no code at all: the return address is where the call left it.
    context.Rip = *reinterpret_cast<const volatile std::uint64_t*>(context.Rsp);
    context.Rsp += 8;
  } else if (image_base + entry->BeginAddress == reinterpret_cast<std::uint64_t>(&main_wrapper)) {
    return PlatformStep::kOutermost;
  } else if (!ReadsOnStack(image_base, *entry, context, stack)) {
    return PlatformStep::kCannotStep;
  } else {
    void* handler_data = nullptr;
    DWORD64 establisher = 0;
    ::RtlVirtualUnwind(UNW_FLAG_NHANDLER, image_base, context.Rip, entry, &context, &handler_data,
                       &establisher, nullptr);
  }
  registers = CallerOfContext(registers, context);
  frame = context.Rsp;
  return PlatformStep::kStepped;
}

bool RoutineEntryByPlatform(std::uint64_t pc, std::uint64_t& entry) {
  DWORD64 image_base = 0;
  PRUNTIME_FUNCTION function = ::RtlLookupFunctionEntry(pc, &image_base, nullptr);
  if (function == nullptr) return false;
  entry = image_base + function->BeginAddress;
  return true;
}

}  // namespace platform
