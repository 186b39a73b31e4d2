// A program on the runtime that raises one fault or run-time error, named by
// its argument, so the tests can check the report, the exit status and the
// order of the exit path. Units write markers to standard output; for a
// fault, the source lines of the faulting statement and of the calls that
// led to it, recorded with __LINE__ as they ran.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "base/text.h"
#include "console/io_result.h"
#include "console/std_streams.h"
#include "console/write_ops.h"
#include "runtime/frame_line_hook.h"
#include "runtime/core_unit.h"
#include "runtime/errors.h"
#include "runtime/exit.h"
#include "runtime/line_info.h"
#include "runtime/report.h"
#include "runtime/start.h"
#include "runtime/units.h"
#include "tests/system/fault_plugin.h"
#include "tests/system/fault_routines.h"

namespace {

std::string_view mode;

void Say(std::string_view text) {
  rt::WriteText(0, rt::Output, text);
}

// The places marked on the way to a fault, outermost call first and the
// faulting statement last.
struct Place {
  const char* file;
  int line;
};
Place marks[8];
int mark_count = 0;

}  // namespace

// Out of line, so that each routine that marks keeps a frame record: g++
// keeps none in a leaf routine that needs no stack.
[[gnu::noinline]] void Mark(const char* file, int line) {
  if (mark_count < 8) marks[mark_count++] = {file, line};
}

namespace {

// The initialisation of unit 2 fails on request; unit 3 raises an error from
// its finalisation on request. Every finalisation leaves a marker.
void InitUnit2() {
  if (mode == "init-error") rt::RunError(212);
}
void FinalizeUnit2() {
  Say("[fini 2]");
}
void FinalizeUnit3() {
  Say("[fini 3]");
  if (mode == "final-error") rt::RunError(210);
}
void FinalizeUnit4() {
  Say("[fini 4]");
  if (mode == "float-div-zero") {
    // Shows that the floating-point unit was reset before the error.
    Say(faults::FloatControl().view());
  }
  if (mark_count > 0) {
    rt::Text text("[at");
    for (int i = 0; i < mark_count; ++i) {
      text.Append(" ");
      text.Append(marks[i].file);
      text.Append(":");
      text.AppendDecimal(marks[i].line);
    }
    text.Append("]");
    Say(text.view());
  }
}

const rt::UnitEntry kUnits[] = {
    {rt::InitCoreRuntime, nullptr},
    {InitUnit2, FinalizeUnit2},
    {nullptr, FinalizeUnit3},
    {nullptr, FinalizeUnit4},
    {rt::InitLineInfoUnit, rt::FinalizeLineInfoUnit},
};

[[gnu::noinline]] void RaiseAtDepth(int depth) {
  if (depth <= 0) return;
  if (depth > 1) {
    RaiseAtDepth(depth - 1);
  } else {
    rt::RunError(230);
  }
  asm volatile("");  // keeps the call from becoming a jump
}

volatile bool keep_going = true;

constexpr int kRecurseFirst = __LINE__ + 1;
[[gnu::noinline]] int Recurse(int n) {
  volatile char area[1024];
  area[0] = static_cast<char>(n);
  return keep_going ? Recurse(n + 1) + area[0] : 0;
}
constexpr int kRecurseLast = __LINE__ - 1;

// Volatile, so that the compiler cannot see that they are null and keeps the
// calls and the accesses through them as written.
void (*volatile null_routine)() = nullptr;
const char* volatile null_text = nullptr;
int* volatile null_target = nullptr;
volatile std::size_t text_length;

[[gnu::noinline]] void CallThroughNull() {
  Mark(__FILE__, __LINE__ + 1);
  null_routine();
  asm volatile("");
}

// The sanitizer's null checks would end the program before the fault that it
// is here for.
[[gnu::noinline]] __attribute__((no_sanitize("undefined"))) void MeasureNullText() {
  Mark(__FILE__, __LINE__ + 1);
  text_length = std::strlen(null_text);
}

[[gnu::noinline]] __attribute__((no_sanitize("undefined"))) int CompareThroughNull(const void* a,
                                                                                   const void* b) {
  Mark(__FILE__, __LINE__ + 1);
  return *null_target + *static_cast<const int*>(a) - *static_cast<const int*>(b);
}

[[gnu::noinline]] void SortWithFaultingComparison() {
  int values[] = {3, 1, 2};
  Mark(__FILE__, __LINE__ + 1);
  std::qsort(values, 3, sizeof values[0], CompareThroughNull);
  asm volatile("");
}

// A frame many times the size of the whole stack, touched at its far end;
// of a size the compiler cannot see, so that the frame is made as written.
volatile std::size_t frame_past_stack = std::size_t{64} << 20;

[[gnu::noinline]] void OverflowInOneFrame() {
  Mark(__FILE__, __LINE__ + 1);
  static_cast<volatile char*>(__builtin_alloca(frame_past_stack))[0] = 1;
}

struct FaultMode {
  std::string_view name;
  void (*fault)();
  int depth = 2;  // calls of the program's own on the way
};

const FaultMode kFaults[] = {
    {"null-write", faults::WriteThroughNull},
    {"int-div-zero", faults::DivideByZero},
    {"float-div-zero", faults::DivideFloatByZero},
    {"illegal-instruction", faults::ExecuteIllegal},
    {"null-call", CallThroughNull},
    {"strlen-null", MeasureNullText},
    {"frameless", faults::FramelessWriteThroughNull},
    {"frameless-chain", faults::FramelessChain},
    // The C library's frames take room of their own among the report's nine.
    {"qsort-callback", SortWithFaultingComparison, 0},
    {"frameless-leaf", faults::CallFramelessLeaf},
    {"frame-past-stack", OverflowInOneFrame},
};

const FaultMode* FaultNamed(std::string_view name) {
  for (const FaultMode& f : kFaults) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

// Reaches the fault through `depth` calls of its own, marking each call.
[[gnu::noinline]] void FaultAtDepth(int depth, void (*fault)()) {
  if (depth > 0) {
    Mark(__FILE__, __LINE__ + 1);
    FaultAtDepth(depth - 1, fault);
  } else {
    Mark(__FILE__, __LINE__ + 1);
    fault();
  }
  asm volatile("");  // keeps the calls from becoming jumps
}

// Called back from the library without line information.
[[gnu::noinline]] void FaultFromCallback() {
  Mark(__FILE__, __LINE__ + 1);
  faults::WriteThroughNull();
  asm volatile("");
}

// Points this routine's own frame record at a lower address, so that the
// chain turns back right after it.
[[gnu::noinline]] void RaiseWithCorruptChain() {
  void** frame = static_cast<void**>(__builtin_frame_address(0));
  frame[0] = frame - 8;
  rt::RunError(231);
  asm volatile("");
}

// A formatter that fails: the lookup it stands for raises an error of its own.
rt::Text FailingFormatter(void* addr) {
  rt::BackTraceStrFunc = rt::SysBackTraceStr;
  if (keep_going) rt::RunError(232);
  return rt::SysBackTraceStr(addr);
}

[[noreturn]] void Run() {
  rt::InitializeUnits();
  Say("[run]");
  if (const FaultMode* fault = FaultNamed(mode)) {
    Mark(__FILE__, __LINE__ + 1);
    FaultAtDepth(fault->depth, fault->fault);
  } else if (mode == "through-unlined-module") {
    Mark(__FILE__, __LINE__ + 1);
    CallBackFromPlugin(FaultFromCallback);
  } else if (mode == "stack-overflow") {
    Mark(__FILE__, kRecurseFirst);
    Mark(__FILE__, kRecurseLast);
    Recurse(0);
  } else if (mode == "fault-frame-outside") {
    faults::FaultWithFrameOutside();
  } else if (mode == "fault-frame-downwards") {
    faults::FaultWithFrameDownwards();
  } else if (mode == "fault-frame-misaligned") {
    faults::FaultWithFrameMisaligned();
  } else if (mode == "run-error-65535") {
    rt::RunError(65535);
  } else if (mode == "frame-chain-20") {
    RaiseAtDepth(20);
  } else if (mode == "corrupt-frame-chain") {
    RaiseWithCorruptChain();
  } else if (mode == "error-in-report") {
    rt::BackTraceStrFunc = FailingFormatter;
    rt::RunError(1);
  } else if (mode == "final-error") {
    rt::RunError(100);
  } else if (mode == "out-of-memory") {
    static volatile std::size_t huge = std::size_t{1} << 60;
    static_cast<char*>(::operator new(huge))[0] = 1;
  } else if (mode == "io-error") {
    rt::WriteText(0, rt::Output, "lost");
    rt::WriteLineEnd(rt::Output);
    rt::CheckIOResult();
  } else if (mode == "report-to-stdout") {
    rt::WriteErrorsToStdErr = false;
    rt::RunError(2);
  } else if (mode == "small-address") {
    rt::HandleErrorAddrFrame(7, reinterpret_cast<void*>(0x2A), nullptr);
  } else if (mode == "no-frame") {
    rt::HandleErrorAddrFrameInd(8, reinterpret_cast<void*>(&Run), nullptr);
  }
  Say("[pending]");  // no line end: reaches the platform at the exit flush
  rt::Do_Exit();
}

}  // namespace

rt::InitFinalTable rt::InitFinal = {sizeof kUnits / sizeof kUnits[0], 0, kUnits};

int main(int argc, char** argv) {
  if (argc > 1) mode = argv[1];
  rt::Exe_Entry(Run);
}
