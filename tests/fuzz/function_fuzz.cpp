// Arbitrary bytes as the sections that the function chains and their names
// are read from: the first units are asked for the chain at a few
// addresses, and every link found is named; then the same addresses are
// looked up with their functions and inlined calls; and each link's
// variables in scope are read with their types, members and enumerators,
// and the values of its call sites.
// Nothing may crash, hang or read outside a section, a chain holds at
// least one link and no more than it has room for, and no more variables
// or members come back than there was room for.
//
// The input: an address (8 bytes), then .debug_info, .debug_abbrev,
// .debug_str, .debug_str_offsets, .debug_addr, .debug_ranges,
// .debug_rnglists and .debug_aranges, each after its 2-byte length (0:
// absent), then .debug_line, the rest.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>

#include "dwarf/functions/function_chain.h"
#include "dwarf/source_lookup.h"
#include "dwarf/variables/variable_reader.h"
#include "section_input.h"

namespace {

// Every link's variables, what their types say, and the values its calls
// passed.
void ReadVariables(rt::VariableReader& reader, const rt::FunctionChain& chain,
                   std::uint64_t target) {
  auto found = std::make_unique<rt::ScopeVariable[]>(rt::VariableReader::kMaxVariables);
  for (std::size_t k = 0; k < chain.count; ++k) {
    rt::EntryLocation base;
    reader.FrameBase(chain.root, chain.links[k].entry, base);
    int n = reader.VariablesInScope(chain.root, chain.links[k].entry, target, 0, found.get(),
                                    rt::VariableReader::kMaxVariables);
    if (n < 0 || n > rt::VariableReader::kMaxVariables) __builtin_trap();
    rt::CallSiteValue passed[2];
    if (reader.CallSiteValues(chain.root, chain.links[k].entry, target, passed, 2) > 2)
      __builtin_trap();
    for (int i = 0; i < n; ++i) {
      rt::TypeView view;
      if (!reader.DescribeType(chain.root, found[i].type, found[i].type_in_types, view)) continue;
      rt::TypeMember members[4];
      if (reader.MembersOf(chain.root, found[i].type, found[i].type_in_types, members, 4) > 4)
        __builtin_trap();
      reader.EnumeratorName(chain.root, found[i].type, found[i].type_in_types, 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using rt::DebugSection;
  static constexpr DebugSection kInOrder[] = {DebugSection::kInfo,     DebugSection::kAbbrev,
                                              DebugSection::kStr,      DebugSection::kStrOffsets,
                                              DebugSection::kAddr,     DebugSection::kRanges,
                                              DebugSection::kRnglists, DebugSection::kAranges};
  SectionInput<std::size(kInOrder)> input;
  if (!input.Split(data, size, kInOrder)) return 0;
  const rt::DebugSources& sections = input.sections;
  const std::uint64_t inside = input.address;

  // The readers' cursors are too large for the stack.
  auto chains = std::make_unique<rt::FunctionReader>(sections);
  auto variables = std::make_unique<rt::VariableReader>(sections);
  auto chain = std::make_unique<rt::FunctionChain>();
  const std::uint64_t targets[3] = {inside, inside + 1, 0};
  std::int64_t unit = 0;
  for (int n = 0; n < 4; ++n) {
    for (std::uint64_t target : targets) {
      if (!chains->Find(unit, target, *chain)) continue;
      if (chain->count == 0 || chain->count > rt::FunctionChain::kMaxLinks) __builtin_trap();
      for (std::size_t k = 0; k < chain->count; ++k) chains->NameOf(chain->links[k], chain->root);
      ReadVariables(*variables, *chain, target);
    }
    if (chain->root.next <= unit) break;
    unit = chain->root.next;
  }

  rt::SourceFrames frames[3];
  auto lookup = std::make_unique<rt::SourceLookup>();
  lookup->LookupMany(sections, targets, 3, frames, rt::kFunctionNames | rt::kInlinedCalls);
  return 0;
}
