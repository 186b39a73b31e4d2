// The source frames of code addresses: the line table's row, and where
// asked for, the function of .debug_info that holds the address and every
// inlined call that led there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/resource_object.h"
#include "base/source_frame.h"
#include "dwarf/debug_sections.h"
#include "dwarf/functions/function_chain.h"
#include "dwarf/line/line_table.h"

namespace rt {

struct FunctionReaders;

// What a lookup tells of an address besides its line.
enum SourceDetail : unsigned {
  kLinesOnly = 0,
  kFunctionNames = 1,  // each frame names its function
  kInlinedCalls = 2,   // a frame follows for each inlined call that led there
};

class SourceLookup {
 public:
  // Looks up link-time return addresses as LineTable::LookupMany does; the
  // functions are those that hold the byte before each (the call's own).
  // Answers the I/O code of a read that failed, 0 when everything could be
  // read.
  std::uint16_t LookupMany(const DebugSources& sources, const std::uint64_t* targets,
                           std::size_t count, SourceFrames* frames, unsigned detail);
  // The function and the inlined calls that hold a link-time instruction
  // address, in the unit that holds it; false where none does.
  bool FindFunctions(const DebugSources& sources, std::uint64_t instruction, FunctionChain& chain);
  void Forget();
  SourceLookup();
  ~SourceLookup();
  void SetFullScan(bool full_scan) { table_.SetFullScan(full_scan); }

 private:
  LineTable table_;
  // FindFunctions' readers, kept for the next frame of the same module.
  ResourcePtr<FunctionReaders> functions_;
};

}  // namespace rt
