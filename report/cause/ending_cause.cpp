// The words of an arithmetic fault, an abort and of std::terminate.
#include <span>
#include <string_view>

#include "base/error_numbers.h"
#include "demangle/demangle.h"
#include "platform/fault_codes.h"
#include "platform/walk.h"
#include "report/cause/cause_parts.h"
#include "report/cause/cause_text.h"
#include "report/frame_lookup.h"
#include "report/stack_walk.h"

namespace rt {

namespace {

const char* FloatTrap(std::uint32_t code) {
  switch (code) {
    case platform::kStatusFloatDivideByZero:
      return "  A floating-point division by zero trapped.";
    case platform::kStatusFloatOverflow:
      return "  A floating-point result too large for its type trapped.";
    case platform::kStatusFloatUnderflow:
      return "  A floating-point result too small for its type trapped.";
    case platform::kStatusFloatInvalidOperation:
      return "  A floating-point operation without a result (such as 0/0) trapped.";
    case platform::kStatusFloatInexactResult:
      return "  A floating-point result that had to be rounded trapped.";
    default:
      return "  A floating-point operation trapped.";
  }
}

// The functions at the call of abort and the calls that led to it, walked
// from where the error was raised: the heap's checks lie a few calls below
// the routine the program called.
constexpr int kNamesAtAbort = 6;
int NamesAtAbort(const ReportedError& error, const ReportOptions& options, Text* names, int most) {
  if (error.raised_at == nullptr) return 0;
  std::uint64_t sp = error.raised_at->value[platform::kWalkLayout.stack_pointer];
  StackMemory stack(sp, StackTop(sp));
  StackWalk walk(*error.raised_at, false, stack);
  std::uint64_t call = reinterpret_cast<std::uintptr_t>(error.addr);
  for (int step = 0; step < 16 && walk.pc() != call;) {
    if (++step == 16 || !walk.Step()) return 0;
  }
  int count = 0;
  do {
    names[count++] = SourceAt(FrameAt(walk.pc(), false), options).function;
  } while (count < most && walk.Step());
  return count;
}

bool AnyNamed(const Text* names, int count, std::string_view part) {
  for (int i = 0; i < count; ++i) {
    if (names[i].view().find(part) != std::string_view::npos) return true;
  }
  return false;
}

// The heap's routines that the C library exports, which name its frames
// where its own checks have no name (a library without its symbol table).
bool InHeapRoutine(const Text* names, int count) {
  for (int i = 0; i < count; ++i) {
    std::string_view name = names[i].view();
    if (name.starts_with("__libc_")) name.remove_prefix(7);
    for (std::string_view routine : {"free", "malloc", "realloc", "calloc", "malloc_printerr"}) {
      if (name == routine) return true;
    }
  }
  return false;
}

}  // namespace

Text ArithmeticCause(const platform::FaultFacts& facts, std::uint16_t code) {
  if (code == kDivisionByZero) return Text("  The program divided an integer by zero.");
  if (code == kArithmeticOverflow) {
    return Text("  An integer division overflowed: the most negative number divided by -1.");
  }
  if (facts.exception_code == platform::kStatusIllegalInstruction) {
    return Text("  The processor met an instruction it does not know.");
  }
  return Text(FloatTrap(facts.exception_code));
}

Text AbortCause(const ReportedError& error, const ReportOptions& options) {
  Text names[kNamesAtAbort];
  int count = NamesAtAbort(error, options, names, kNamesAtAbort);
  // An unwinder that finds no handler for `throw;` may abort at once, not
  // through std::terminate (the Windows build's, linked into the program).
  if (AnyNamed(names, count, "__cxa_rethrow")) {
    return Text("  An exception was thrown again (throw; in a handler) and nothing caught it.");
  }
  if (InProgram(reinterpret_cast<std::uintptr_t>(error.addr))) {
    return Text("  The program called abort().");
  }
  // Called by the C library: by its assert, or its checks of the heap or of
  // buffers, each of which has written what it found.
  if (AnyNamed(names, count, "assert")) {
    return Text(
        "  An assert failed: its condition was false (the C library's words above name it).");
  }
  if (InHeapRoutine(names, count)) {
    return Text("  The C library's checks found its heap broken (its words above say how).");
  }
  if (AnyNamed(names, count, "fortify") || AnyNamed(names, count, "chk_fail")) {
    return Text("  The C library found a buffer written past its end.");
  }
  Text text("  abort() was called");
  if (count > 0 && names[0].length > 0) {
    text.Append(" in ");
    text.Append(names[0].view());
  }
  text.Append(".");
  return text;
}

Text TerminateCause(const EndingFacts& facts) {
  if (facts.pure_virtual) return Text("  A pure virtual function was called.");
  if (facts.exception_type == nullptr) {
    return Text("  std::terminate was called while no exception was active.");
  }
  Text type;
  std::string_view mangled = facts.exception_type;
  Text symbol("_ZTS");
  symbol.Append(mangled);
  char readable[Text::kCapacity];
  DemangleResult result = Demangle(symbol.view(), readable, DemangleStyle::kFull);
  constexpr std::string_view kPrefix = "typeinfo name for ";
  std::string_view name(readable, result.ok ? result.length : 0);
  type.Append(name.starts_with(kPrefix) ? name.substr(kPrefix.size()) : mangled);
  Text text("  An exception of type ");
  text.Append(type.view());
  text.Append(facts.left_noexcept ? " left a function declared noexcept."
                                  : " was thrown and nothing caught it.");
  return text;
}

}  // namespace rt
