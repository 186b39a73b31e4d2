// The registry of the modules met, in a bounded list.
#include "runtime/module_registry.h"

#include <cstddef>
#include <memory_resource>
#include <new>
#include <vector>

#include "platform/platform.h"

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

// Addresses in the file are link-time ones, moved as the module was.
void PlaceModule(KnownModule& module, const TExeFile& file) {
  if (module.placed) return;
  module.load_delta = module.base - file.image_base;
  module.placed = true;
}

}  // namespace rt
