// Stepping the report's walk from frame to caller.
#include "report/stack_walk.h"

#include "dwarf/frame/frame_rules.h"
#include "exe/byte_source.h"
#include "platform/platform.h"
#include "report/module_registry.h"

namespace rt {

namespace {

using platform::kWalkLayout;

// Frames rise strictly, so a walk ends at the stack's top; this bound on
// top of that, more frames than a stack of 16 MiB holds of the smallest a
// call makes, ends a walk whose frames rise by a byte at a time.
constexpr int kMaxSteps = 1 << 20;

bool ReadStackWord(void* memory, std::uint64_t address, std::uint64_t& value) {
  return static_cast<StackMemory*>(memory)->ReadWord(address, value);
}

// The loaded image's bytes, read in place.
MemorySource ImageBytes(std::uint64_t address, std::uint64_t size) {
  return MemorySource(reinterpret_cast<const void*>(address), static_cast<std::int64_t>(size));
}

// A module's call-frame information in its image: .eh_frame through the
// search table, or where the image has none, found through its file.
struct ModuleFrames {
  MemorySource header, frames;
  EhFrameSections sections;

  bool Bind(const platform::UnwindTables& tables, std::uint64_t pc) {
    sections.address_size = sizeof(void*);  // the module is loaded in this process
    std::uint64_t frames_at = 0, frames_size = 0;
    if (tables.header != 0) {
      header = ImageBytes(tables.header, tables.header_size);
      if (!ReadEhFrameStart(header, tables.header, sections.address_size, frames_at) ||
          frames_at < tables.segment_start || frames_at >= tables.segment_end) {
        return false;
      }
      frames_size = tables.segment_end - frames_at;
      sections.header = &header;
      sections.header_address = tables.header;
    } else if (!FindFramesInFile(pc, frames_at, frames_size)) {
      return false;
    }
    frames = ImageBytes(frames_at, frames_size);
    sections.frames = &frames;
    sections.frames_address = frames_at;
    return true;
  }
};

}  // namespace

StackMemory::StackMemory(std::uint64_t low, std::uint64_t top) : low_(low), top_(top) {}

// The stack between a stack pointer of the thread and the top is the
// thread's own, and mapped; reads outside it are refused.
[[gnu::no_sanitize_address]] bool StackMemory::ReadWord(std::uint64_t address,
                                                        std::uint64_t& value) {
  if (address % 8 != 0 || address < low_ || address >= top_ || top_ - address < 8) return false;
  value = *reinterpret_cast<const volatile std::uint64_t*>(address);
  return true;
}

std::uint64_t StackTop(std::uint64_t address) {
  return platform::GetStackTopAbove(static_cast<std::uintptr_t>(address));
}

StackWalk::StackWalk(const FrameRegisters& start, bool at_fault, StackMemory& memory)
    : memory_(memory) {
  current_.registers = start;
  current_.at_fault = at_fault;
  if (start.Has(kWalkLayout.stack_pointer)) last_frame_ = start.value[kWalkLayout.stack_pointer];
  bounds_ = FrameBounds(last_frame_, memory.top());
}

bool StackWalk::Step() {
  // A return address of 0 ends the walk; a fault at 0 (a call through a
  // null pointer) is stepped out of.
  FrameRegisters& registers = current_.registers;
  if (ended_ || ++steps_ > kMaxSteps || (registers.pc == 0 && steps_ > 1)) {
    return ended_ = true, false;
  }
  std::uint64_t frame = 0;
  bool stepped = false;
  platform::PlatformStep by_platform = StepByPlatformUnwinder(frame);
  if (by_platform != platform::PlatformStep::kUnavailable) {
    stepped = by_platform == platform::PlatformStep::kStepped;
  } else if (platform::UnwindTables tables = platform::FindUnwindTables(current_.instruction());
             !tables.in_module) {
    stepped = StepFromNowhere(frame);
  } else {
    FrameStep step = StepByTables(tables, frame);
    stepped = step == FrameStep::kStepped ||
              (step == FrameStep::kNoInformation && StepByFrameRecord(frame));
  }
  if (!stepped || !bounds_.Admit(frame) || registers.pc == 0) {
    ended_ = true;
    return false;
  }
  last_frame_ = frame;
  return true;
}

std::uint64_t StackWalk::routine() const {
  std::uint64_t pc = current_.instruction(), entry = 0;
  if (platform::RoutineEntryByPlatform(pc, entry)) return entry;
  ModuleFrames module;
  FrameRow row;
  platform::UnwindTables tables = platform::FindUnwindTables(pc);
  if (!tables.in_module || !module.Bind(tables, pc) ||
      FindFrameRow(module.sections, pc, row) != FrameStep::kStepped) {
    return 0;
  }
  return row.fde_begin;
}

// By the search table of the module's image, or where it has none, by its
// .eh_frame entry by entry, found through its file.
FrameStep StackWalk::StepByTables(const platform::UnwindTables& tables, std::uint64_t& frame) {
  ModuleFrames module;
  if (!module.Bind(tables, current_.instruction())) {
    return FrameStep::kNoInformation;
  }
  const EhFrameSections& sections = module.sections;
  bool caller_exact = false;
  FrameStep step = StepByCallFrames(sections, kWalkLayout, memory_, current_.instruction(),
                                    current_.registers, frame, caller_exact);
  if (step == FrameStep::kStepped) current_.at_fault = caller_exact;
  return step;
}

platform::PlatformStep StackWalk::StepByPlatformUnwinder(std::uint64_t& frame) {
  platform::PlatformStep step = platform::StepByPlatformUnwinder(current_.registers, frame);
  if (step == platform::PlatformStep::kStepped) current_.at_fault = false;
  return step;
}

// The caller's frame address and the return address, at the frame register.
bool StackWalk::StepByFrameRecord(std::uint64_t& frame) {
  int fp = kWalkLayout.frame_register;
  if (!current_.registers.Has(fp)) return false;
  std::uint64_t record = current_.registers.value[fp], caller_frame, return_address;
  if (record < last_frame_ || !memory_.ReadWord(record, caller_frame) ||
      !memory_.ReadWord(record + 8, return_address)) {
    return false;
  }
  FrameRegisters caller;
  caller.Set(fp, caller_frame);
  caller.Set(kWalkLayout.stack_pointer, record + 16);
  caller.pc = return_address;
  if (kWalkLayout.pc_register >= 0) caller.Set(kWalkLayout.pc_register, return_address);
  current_.registers = caller;
  current_.at_fault = false;
  frame = record + 16;
  return true;
}

// Out of code in no module, by the return address the call left.
bool StackWalk::StepFromNowhere(std::uint64_t& frame) {
  FrameRegisters& registers = current_.registers;
  if (!platform::StepFromNowhere(registers, ReadStackWord, &memory_)) return false;
  current_.at_fault = false;
  frame = registers.Has(kWalkLayout.stack_pointer) ? registers.value[kWalkLayout.stack_pointer]
                                                   : last_frame_;
  return true;
}

FrameRegisters EntryRegisters(const FrameRegisters* caller) {
  FrameRegisters entry;
  if (caller == nullptr) return entry;
  const FrameLayout& layout = platform::kWalkLayout;
  std::uint64_t kept = caller->known & layout.callee_saved;
  for (int r = 0; r < kMaxFrameRegisters; ++r) {
    if ((kept >> r & 1) != 0 && r != layout.stack_pointer) entry.Set(r, caller->value[r]);
  }
  return entry;
}

bool SteppedFrames::Next(WalkedFrame& frame) {
  if (!more_) return false;
  frame = walk_.current();
  more_ = walk_.Step();
  frame.cfa = more_ ? walk_.frame() : 0;
  if (more_) frame.caller = walk_.current().registers;
  return true;
}

}  // namespace rt
