// The registry of the modules met, in a bounded list.
#include "report/module_registry.h"

#include <cstddef>
#include <memory_resource>
#include <new>
#include <vector>

#include "platform/platform.h"
#include "platform/walk.h"

namespace rt {

namespace {

constexpr std::size_t kMaxKnownModules = 32;
using KnownModules = std::pmr::vector<KnownModule>;

// Never destroyed: a walk may run after the static objects are gone, and
// the memory it holds is the report's.
KnownModules& Modules() {
  alignas(KnownModules) static unsigned char storage[sizeof(KnownModules)];
  static KnownModules* const modules = ::new (storage) KnownModules();
  return *modules;
}

}  // namespace

KnownModule* ModuleOf(std::uint64_t addr) {
  std::uintptr_t base = 0;
  std::pmr::string name;
  if (!platform::GetModuleByAddr(reinterpret_cast<const void*>(addr), base, name)) return nullptr;
  KnownModules& modules = Modules();
  for (KnownModule& module : modules) {
    // A module loaded again elsewhere under its name is another.
    if (module.name == name && module.base == base) return &module;
  }
  if (modules.size() >= kMaxKnownModules) modules.erase(modules.begin());
  KnownModule& module = modules.emplace_back();
  module.name = name;
  module.base = base;
  return &module;
}

namespace {

// Finds the module's loaded .eh_frame through its file's section table.
void LearnFrames(KnownModule& module) {
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

// Addresses in the file are link-time ones, moved as the module was.
void PlaceModule(KnownModule& module, const TExeFile& file) {
  if (module.placed) return;
  module.load_delta = module.base - file.image_base;
  module.placed = true;
}

bool FindFramesInFile(std::uint64_t pc, std::uint64_t& address, std::uint64_t& size) {
  KnownModule* module = ModuleOf(pc);
  if (module == nullptr) return false;
  if (module->frames == ModuleSearch::kNotYet) LearnFrames(*module);
  address = module->frames_address;
  size = module->frames_size;
  return module->frames == ModuleSearch::kFound;
}

}  // namespace rt
