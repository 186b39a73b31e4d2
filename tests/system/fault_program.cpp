// A program on the runtime that raises one fault or run-time error, named by
// its argument, so the tests can check the report, the exit status and the
// order of the exit path. Units write markers to standard output.
#include <cstring>
#include <new>
#include <string_view>

#include "base/text.h"
#include "console/io_result.h"
#include "console/std_streams.h"
#include "console/write_ops.h"
#include "platform/x86_64/fpu.h"
#include "runtime/backtrace.h"
#include "runtime/core_unit.h"
#include "runtime/errors.h"
#include "runtime/exit.h"
#include "runtime/report.h"
#include "runtime/start.h"
#include "runtime/units.h"

namespace {

std::string_view mode;

void Say(std::string_view text) {
  rt::WriteText(0, rt::Output, text);
}

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
    rt::Text text;
    text.Append("[mxcsr ");
    text.AppendHex16(platform::ReadMxcsr() & 0xFFC0);
    text.Append("]");
    Say(text.view());
  }
}

const rt::UnitEntry kUnits[] = {
    {rt::InitCoreRuntime, nullptr},
    {InitUnit2, FinalizeUnit2},
    {nullptr, FinalizeUnit3},
    {nullptr, FinalizeUnit4},
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

[[gnu::noinline]] int Recurse(int n) {
  volatile char area[1024];
  area[0] = static_cast<char>(n);
  return keep_going ? Recurse(n + 1) + area[0] : 0;
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
  if (mode == "null-write") {
    asm volatile("xorl %%eax, %%eax\n\tmovl $1, (%%rax)" : : : "rax", "memory");
  } else if (mode == "int-div-zero") {
    asm volatile("movl $7, %%eax\n\tcltd\n\txorl %%ecx, %%ecx\n\tidivl %%ecx"
                 :
                 :
                 : "eax", "ecx", "edx");
  } else if (mode == "float-div-zero") {
    asm volatile(
        "pcmpeqd %%xmm0, %%xmm0\n\txorpd %%xmm1, %%xmm1\n\tcvtdq2pd %%xmm0, %%xmm0\n\t"
        "divsd %%xmm1, %%xmm0"
        :
        :
        : "xmm0", "xmm1");
  } else if (mode == "illegal-instruction") {
    asm volatile("ud2");
  } else if (mode == "stack-overflow") {
    Recurse(0);
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
