// Finding a module's .eh_frame through its file, for the walk.
#include "runtime/frames_in_file.h"

#include <memory_resource>
#include <new>
#include <string>
#include <vector>

#include "exe/exe_file.h"
#include "platform/platform.h"
#include "platform/walk.h"

namespace rt {

namespace {

// What was found for each module met; a walk meets a handful.
struct ModuleFrames {
  std::pmr::string name;
  bool found = false;
  std::uint64_t address = 0, size = 0;
};
constexpr std::size_t kMaxModules = 16;
using KnownModules = std::pmr::vector<ModuleFrames>;

// Made at the first search, inside the report once its own memory is the
// default resource, which the list keeps; never destroyed.
KnownModules& Modules() {
  alignas(KnownModules) static unsigned char storage[sizeof(KnownModules)];
  static KnownModules* const modules = ::new (storage) KnownModules();
  return *modules;
}

ModuleFrames Read(const std::pmr::string& name, std::uintptr_t base) {
  ModuleFrames frames{name};
  TExeFile exe;
  ExeSection section;
  if (!OpenExeFile(exe, name)) return frames;
  if (FindExeSection(exe, ".eh_frame", section) && section.compression == Compression::kNone &&
      section.address != 0) {
    // Link-time addresses, moved as the module was.
    frames.address = section.address + (base - exe.image_base);
    frames.size = static_cast<std::uint64_t>(section.length);
    frames.found = platform::IsLoaded(frames.address, frames.size);
  }
  CloseExeFile(exe);
  return frames;
}

}  // namespace

bool FindFramesInFile(std::uint64_t pc, std::uint64_t& address, std::uint64_t& size) {
  std::uintptr_t base = 0;
  std::pmr::string name;
  if (!platform::GetModuleByAddr(reinterpret_cast<const void*>(pc), base, name)) return false;
  KnownModules& modules = Modules();
  const ModuleFrames* known = nullptr;
  for (const ModuleFrames& m : modules) {
    if (m.name == name) known = &m;
  }
  if (known == nullptr) {
    if (modules.size() >= kMaxModules) modules.erase(modules.begin());
    modules.push_back(Read(name, base));
    known = &modules.back();
  }
  address = known->address;
  size = known->size;
  return known->found;
}

}  // namespace rt
