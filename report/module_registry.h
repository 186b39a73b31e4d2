// The modules of the process that lookups and walks have met: for each,
// how far it was moved from where its file was linked, the file that holds
// its line table, and its call-frame information where its image has no
// search table for it. The line-information unit and the walk both ask
// here, so a module's files are searched once for both.
#pragma once

#include <cstdint>
#include <string>

#include "dwarf/debug_sections.h"
#include "exe/exe_file.h"

namespace rt {

// Whether a module's files have been searched for something, and the answer.
enum class ModuleSearch : std::uint8_t { kNotYet, kFound, kNone };

struct KnownModule {
  std::pmr::string name;
  std::uintptr_t base = 0;  // where the platform has it loaded
  // A run-time address less its link-time one, once a file of the module
  // has been read (its own and its debug file are linked alike).
  std::uint64_t load_delta = 0;
  bool placed = false;
  ModuleSearch lines = ModuleSearch::kNotYet;
  LineFile line_file;  // where lines is kFound
  // The loaded .eh_frame found through the file, where frames is kFound.
  ModuleSearch frames = ModuleSearch::kNotYet;
  std::uint64_t frames_address = 0, frames_size = 0;

  bool has_lines() const { return lines == ModuleSearch::kFound; }
};

// The module that holds addr, as met before or registered now; null where
// addr lies in no module. Valid until the next call: a report meets a
// handful of modules, and beyond a bound the oldest is forgotten and
// searched for again if it comes back. The list is made at the first call,
// inside the report once its own memory is the default resource, so
// neither it nor its names ever come from the heap.
KnownModule* ModuleOf(std::uint64_t addr);

// Learns the module's load delta from a file of it that is open, the first
// time one is.
void PlaceModule(KnownModule& module, const TExeFile& file);

// The address and size of the loaded .eh_frame of the module that holds
// pc, where its loaded image has no search table for it (a program linked
// statically has none): read from its file's section table, once per
// module. False where its file has none that is loaded, or cannot be read.
bool FindFramesInFile(std::uint64_t pc, std::uint64_t& address, std::uint64_t& size);

}  // namespace rt
