// Finding a module's .eh_frame through its file, for the walk.
#include "runtime/frames_in_file.h"

#include "exe/exe_file.h"
#include "platform/walk.h"
#include "runtime/module_registry.h"

namespace rt {

namespace {

void Learn(KnownModule& module) {
  module.frames = ModuleSearch::kNone;
  TExeFile exe;
  ExeSection section;
  if (!OpenExeFile(exe, module.name)) return;
  if (FindExeSection(exe, ".eh_frame", section) && section.compression == Compression::kNone &&
      section.address != 0) {
    PlaceModule(module, exe);
    module.frames_address = section.address + module.load_delta;
    module.frames_size = static_cast<std::uint64_t>(section.length);
    if (platform::IsLoaded(module.frames_address, module.frames_size)) {
      module.frames = ModuleSearch::kFound;
    }
  }
  CloseExeFile(exe);
}

}  // namespace

bool FindFramesInFile(std::uint64_t pc, std::uint64_t& address, std::uint64_t& size) {
  KnownModule* module = ModuleOf(pc);
  if (module == nullptr) return false;
  if (module->frames == ModuleSearch::kNotYet) Learn(*module);
  address = module->frames_address;
  size = module->frames_size;
  return module->frames == ModuleSearch::kFound;
}

}  // namespace rt
