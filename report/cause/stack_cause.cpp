// The words of a stack that ran out: whose, its size, and why, from a short
// walk of the frames at the fault: a function or a cycle of functions that
// repeats, or one frame larger than what was left.
#include <cstddef>
#include <cstdint>

#include "platform/walk.h"
#include "report/cause/cause_parts.h"
#include "report/cause/cause_text.h"
#include "report/frame_lines.h"
#include "report/stack_walk.h"

namespace rt {

namespace {

// The frames nearest the fault that are searched for a cycle, and the
// longest cycle looked for; a cycle must repeat three times over.
constexpr int kSearched = 48;
constexpr int kLongestCycle = 6;
constexpr int kRepeats = 3;

struct NearFrames {
  std::uint64_t codes[kSearched];  // return addresses, outward from the fault's caller
  int count = 0;
  std::uint64_t fault_cfa = 0;  // the faulting frame's own
};

NearFrames WalkNear(const platform::FaultRecord& fault) {
  NearFrames near;
  StackMemory stack(fault.stack_low, fault.stack_top);
  StackWalk walk(fault.registers, true, stack);
  if (!walk.Step()) return near;
  near.fault_cfa = walk.frame();
  do {
    near.codes[near.count++] = walk.pc();
  } while (near.count < kSearched && walk.Step());
  return near;
}

// The length of the shortest cycle of code addresses that repeats from
// some frame near the fault on; 0 where none does.
int CycleLength(const NearFrames& near, int& start) {
  for (int k = 1; k <= kLongestCycle; ++k) {
    for (start = 0; start + (kRepeats + 1) * k <= near.count && start < kLongestCycle; ++start) {
      bool repeats = true;
      for (int i = start; repeats && i < start + kRepeats * k; ++i) {
        repeats = near.codes[i] == near.codes[i + k];
      }
      if (repeats) return k;
    }
  }
  return 0;
}

// "Count calls itself", "Ping and Pong call each other", "A, B and C call
// one another".
void AppendCycle(Text& text, const NearFrames& near, int start, int length,
                 const ReportOptions& options) {
  // Each frame's functions, those inlined into it too: an optimised
  // program's cycle of two functions may be one function's frames.
  constexpr int kMostNames = 6;
  Text names[kMostNames];
  int distinct = 0;
  for (int i = start; i < start + length; ++i) {
    ReportFrame record(FrameAt(near.codes[i], false));
    ResolveFrame(record, options);
    if (record.resolution != ReportFrame::Resolution::kSources) record.sources.emplace_back();
    for (auto source = record.sources.rbegin(); source != record.sources.rend(); ++source) {
      Text name;
      AppendFunction(name, *source, record.code());
      bool seen = false;
      for (int j = 0; j < distinct; ++j) seen = seen || names[j].view() == name.view();
      if (!seen && distinct < kMostNames) names[distinct++] = name;
    }
  }
  for (int j = 0; j < distinct; ++j) {
    if (j > 0) text.Append(j + 1 == distinct ? " and " : ", ");
    text.Append(names[j].view());
  }
  text.Append(distinct == 1   ? " calls itself without end."
              : distinct == 2 ? " call each other without end."
                              : " call one another in a cycle without end.");
}

}  // namespace

Text StackOverflowCause(const platform::FaultRecord& fault, const Text& thread,
                        const ReportOptions& options) {
  const platform::FaultFacts& facts = fault.facts;
  std::uint64_t sp = fault.registers.value[platform::kWalkLayout.stack_pointer];
  std::uint64_t size =
      facts.stack_top > facts.stack_limit ? facts.stack_top - facts.stack_limit : 0;
  Text text;
  text.Append("  The stack of ");
  text.Append(thread.view());
  if (size != 0) {
    text.Append(" (");
    AppendSize(text, size);
    text.Append(")");
  }
  text.Append(" ran out");
  NearFrames near = WalkNear(fault);
  int start = 0, length = CycleLength(near, start);
  if (length > 0) {
    text.Append(": ");
    AppendCycle(text, near, start, length, options);
    return text;
  }
  // One frame that needs more than the stack had left below its caller's.
  std::uint64_t frame_size = near.fault_cfa > sp ? near.fault_cfa - sp : 0;
  std::uint64_t left = near.fault_cfa > facts.stack_limit ? near.fault_cfa - facts.stack_limit : 0;
  if (size != 0 && frame_size > left) {
    text.Append(": ");
    WalkedFrame own = FrameAt(fault.registers.pc, true);
    AppendFunction(text, SourceAt(own, options), own.code());
    text.Append("'s frame needs ");
    AppendSize(text, frame_size);
    text.Append("; the stack holds ");
    AppendSize(text, size);
  }
  text.Append(".");
  return text;
}

}  // namespace rt
