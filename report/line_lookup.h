// Looking code addresses up in the line information of the module they
// came from: every lookup opens the module's line file, searches its units
// and closes it again. A failed read is only reported here, as its I/O
// code; the runtime decides what it means.
#pragma once

#include <cstdint>

#include "base/source_frame.h"
#include "dwarf/functions/function_chain.h"
#include "dwarf/source_file.h"
#include "exe/file_io.h"

namespace rt {

// Opens the line information of the module that holds addr: ok where it is
// open, not where the module's file cannot be read or holds no line table
// (the module is then not searched for again), io_error where a read
// failed.
FileResult OpenModuleLines(std::uint64_t addr);
// Whether a module's line information is open.
bool ModuleLinesOpen();
// Looks addr up in the module's line information that is open, giving the
// source frames that hold it (detail: the SourceDetail asked for beyond the
// line), then closes it; the I/O code of a failed read, 0 where none did.
std::uint16_t LookUpSourceFrames(std::uint64_t addr, SourceFrames& frames, unsigned detail);
// The file the source frame of addr names, as the line information of the
// module that holds addr finds it, and when that module's own file was
// last written (INT64_MAX where that cannot be told); false where the file
// cannot be named.
bool LookUpSourceFile(std::uint64_t addr, const SourceFrame& source, SourceFile& file,
                      std::int64_t& module_written);
// What the values of a frame are read with: its module's debug sections,
// its load delta, and the function and inlined calls that hold its
// instruction.
struct FrameFunctions {
  const DebugSources* sources = nullptr;
  std::uint64_t load_delta = 0;
  FunctionChain chain;
};
// Opens the line information of the module that holds the run-time
// instruction address and finds its functions; the module stays open
// until CloseModuleLines. False where none holds it.
bool OpenFrameFunctions(std::uint64_t instruction, FrameFunctions& found);
// Whether the program's own module has a line table, learnt as a lookup
// learns it; true where that cannot be told.
bool ProgramHasLines();
// Closes the line file, if one is open.
FileResult CloseModuleLines();

}  // namespace rt
