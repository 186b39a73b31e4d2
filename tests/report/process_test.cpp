// The report's lookups in this very process, over the real platform: the
// modules that hold addresses of the program, of the C library and of the
// stack, and an abort placed at the call out of the frame it stood in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/walk.h"
#include "report/abort_call.h"
#include "report/frame_lookup.h"
#include "report/module_registry.h"

namespace {

std::uint64_t Address(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p);
}

// A function of the C library, called through a pointer so that its
// address is the library's own, not a stub of the program's.
int (*volatile library_abs)(int) = &::abs;
void* const library_function = reinterpret_cast<void*>(library_abs);

struct ModuleCase {
  const char* name;
  std::uint64_t address;
  bool in_module;
  bool is_program;
};

TEST(ReportProcessTest, ModulesOfAddresses) {
  int on_stack = 0;
  const ModuleCase cases[] = {
      {"the program", Address(reinterpret_cast<void*>(&Address)), true, true},
      {"the C library", Address(library_function), true, false},
      {"the stack", Address(&on_stack), false, false},
      {"no page at all", 16, false, false},
  };
  rt::KnownModule* program = rt::ModuleOf(Address(reinterpret_cast<void*>(&Address)));
  ASSERT_NE(program, nullptr);
  const std::uintptr_t program_base = program->base;
  for (const ModuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    rt::KnownModule* module = rt::ModuleOf(c.address);
    ASSERT_EQ(module != nullptr, c.in_module);
    if (module == nullptr) continue;
    EXPECT_EQ(module->base == program_base, c.is_program);
    EXPECT_LE(module->base, c.address);
    // Met again, the same record.
    EXPECT_EQ(rt::ModuleOf(c.address + 1), module);
    // Its .eh_frame, found through its file, lies loaded in the module.
    std::uint64_t frames = 0, size = 0;
    if (rt::FindFramesInFile(c.address, frames, size)) {
      EXPECT_GT(frames, module->base);
      EXPECT_GT(size, 0u);
    }
  }
}

// A frame without source lines: its function by the symbol table, and its
// module named where it is not the program.
TEST(ReportProcessTest, FrameNamedBySymbolAndModule) {
  rt::ReportFrame library(rt::FrameAt(Address(library_function), true));
  rt::NameFrame(library);
  ASSERT_EQ(library.sources.size(), 1u);
  EXPECT_NE(std::string(library.sources[0].function.view()).find("abs"), std::string::npos);
  EXPECT_EQ(std::string(library.module.view()).rfind("libc", 0), 0u) << library.module.view();

  rt::ReportFrame program(rt::FrameAt(Address(reinterpret_cast<void*>(&Address)), true));
  rt::NameFrame(program);
  EXPECT_EQ(program.module.length, 0u);
}

// No call of abort in sight: the error is placed at the call out of the
// frame the thread stood in. The search runs while that frame is live.
[[gnu::noinline]] bool StandInFrame(rt::ErrorPlace& place, void*& return_address,
                                    std::uint64_t& pc) {
  platform::FaultRecord record;
  CaptureWalkRegisters(&record.registers);
  std::uint64_t sp = record.registers.value[platform::kWalkLayout.stack_pointer];
  record.stack_low = sp;
  record.stack_top = platform::GetStackTopAbove(sp);
  record.kind = platform::FaultKind::kAbort;
  return_address = __builtin_extract_return_addr(__builtin_return_address(0));
  pc = record.registers.pc;
  return rt::FindCallOfAbort(record, place);
}

TEST(ReportProcessTest, AbortWithoutItsCallIsPlacedAtTheCallOut) {
  rt::ErrorPlace place;
  void* return_address = nullptr;
  std::uint64_t pc = 0;
  ASSERT_TRUE(StandInFrame(place, return_address, pc));
  EXPECT_EQ(place.addr, return_address);
  EXPECT_EQ(place.below.pc, pc);
}

}  // namespace
