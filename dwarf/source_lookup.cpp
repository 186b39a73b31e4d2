// Adding functions and inlined calls to the line table's answers.
#include "dwarf/source_lookup.h"

#include <algorithm>
#include <memory_resource>
#include <vector>

#include "base/resource_object.h"
#include "dwarf/functions/function_chain.h"
#include "dwarf/line/line_header.h"
#include "dwarf/line/unit_index.h"

namespace rt {

// The readers of one lookup; their cursors take some 200 KiB, kept off the
// stack.
struct FunctionReaders {
  explicit FunctionReaders(const DebugSources& sources) : functions(sources), strings(sources) {
    line.Bind(sources[DebugSection::kLine]);
  }
  FunctionReader functions;
  StringTables strings;
  DwarfCursor line;
  FunctionChain chain;
  std::pmr::vector<std::int64_t> units;

  std::uint16_t io_error() const {
    if (functions.io_error() != 0) return functions.io_error();
    return line.io_error() != 0 ? line.io_error() : strings.io_error();
  }
};

namespace {

// The chain of the first unit that holds target: of those the index names,
// or of every unit in turn where there is no index.
bool FindChain(FunctionReaders& readers, const UnitIndex* index, std::uint64_t target) {
  if (index != nullptr) {
    index->CandidateUnits(target, readers.units);
    for (std::int64_t unit : readers.units) {
      const UnitSummary* summary = index->UnitAt(unit);
      if (summary != nullptr && readers.functions.Find(*summary, target, readers.chain)) {
        return true;
      }
    }
    return false;
  }
  for (std::int64_t unit = 0;;) {
    if (readers.functions.Find(unit, target, readers.chain)) return true;
    std::int64_t next = readers.chain.root.next;
    if (next <= unit) return false;
    unit = next;
  }
}

// The frames of one address: the row's, named after the innermost
// function, then one for each call the chain inlined, outward.
void AddChain(FunctionReaders& readers, unsigned detail, SourceFrames& frames) {
  FunctionChain& chain = readers.chain;
  if (frames.empty()) frames.emplace_back();
  std::size_t n = chain.count;
  frames.front().inlined = chain.links[n - 1].inlined;
  bool named = (detail & kFunctionNames) != 0;
  if (named) frames.front().function = readers.functions.NameOf(chain.links[n - 1], chain.root);
  if ((detail & kInlinedCalls) == 0) return;
  for (std::size_t j = n - 1; j > 0; --j) {
    const FunctionLink& call = chain.links[j];
    SourceFrame& frame = frames.emplace_back();
    if (chain.root.has_program) {
      auto program = static_cast<std::int64_t>(chain.root.program);
      frame.file = ProgramFileName(readers.line, readers.strings, program, call.call_file);
      if (call.call_file <= UINT32_MAX) {
        frame.program = program;
        frame.file_index = static_cast<std::uint32_t>(call.call_file);
      }
    }
    frame.line = static_cast<std::int32_t>(call.call_line);
    frame.column = static_cast<std::int32_t>(call.call_column);
    frame.inlined = chain.links[j - 1].inlined;
    if (named) frame.function = readers.functions.NameOf(chain.links[j - 1], chain.root);
  }
}

}  // namespace

std::uint16_t SourceLookup::LookupMany(const DebugSources& sources, const std::uint64_t* targets,
                                       std::size_t count, SourceFrames* frames, unsigned detail) {
  std::uint16_t io_error = table_.LookupMany(sources, targets, count, frames);
  if (detail == kLinesOnly || sources[DebugSection::kInfo] == nullptr) return io_error;
  std::uint16_t index_error = 0;
  const UnitIndex* index = table_.Index(sources, index_error);
  // The readers stay for the next lookup of the module, and for its
  // frames' functions and variables: a unit's abbreviations are read once.
  if (functions_ == nullptr) functions_ = MakeResourceObject<FunctionReaders>(sources);
  FunctionReaders* readers = functions_.get();
  readers->functions.SetIndex(index);
  // In address order, the addresses of one unit come one after another,
  // and its walk goes on from where the one before stopped.
  std::pmr::vector<std::size_t> order(count);
  for (std::size_t k = 0; k < count; ++k) order[k] = k;
  std::sort(order.begin(), order.end(),
            [targets](std::size_t a, std::size_t b) { return targets[a] < targets[b]; });
  for (std::size_t k : order) {
    // An address no function holds keeps its line alone.
    if (targets[k] != 0 && FindChain(*readers, index, targets[k] - 1)) {
      AddChain(*readers, detail, frames[k]);
    }
  }
  if (io_error != 0) return io_error;
  return index_error != 0 ? index_error : readers->io_error();
}

SourceLookup::SourceLookup() = default;
SourceLookup::~SourceLookup() = default;

void SourceLookup::Forget() {
  table_.Forget();
  functions_.reset();
}

bool SourceLookup::FindFunctions(const DebugSources& sources, std::uint64_t instruction,
                                 FunctionChain& chain) {
  if (sources[DebugSection::kInfo] == nullptr) return false;
  std::uint16_t index_error = 0;
  const UnitIndex* index = table_.Index(sources, index_error);
  if (functions_ == nullptr) functions_ = MakeResourceObject<FunctionReaders>(sources);
  functions_->functions.SetIndex(index);
  if (!FindChain(*functions_, index, instruction)) return false;
  chain = functions_->chain;
  return true;
}

}  // namespace rt
