// The module of a code address: its load address and file.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/platform.h"
#include "platform/walk.h"
#include "tests/exe/exe_test.h"

extern "C" __attribute__((noinline)) int ExeTestsProbe(int x) {
  return x * 3 + 1;
}

namespace {

// The symbol's value in the file, as nm prints it.
std::uint64_t SymbolValue(const std::string& file, const std::string& symbol) {
  std::istringstream lines(exe_test::Run("nm " + exe_test::Quote(file)));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string value, type, name;
    if (fields >> value >> type >> name && name == symbol) return std::stoull(value, nullptr, 16);
  }
  return 0;
}

TEST(ModuleTest, OwnProgramAndItsLoadDelta) {
  auto probe = reinterpret_cast<std::uintptr_t>(&ExeTestsProbe);
  std::uint64_t value =
      SymbolValue(std::filesystem::read_symlink("/proc/self/exe"), "ExeTestsProbe");
  ASSERT_NE(value, 0u);
  exe_test::Lookup own = exe_test::Find("/proc/self/exe", ".text");
  ASSERT_TRUE(own.image);
  for (std::uintptr_t addr : {probe, probe + 1}) {
    std::uintptr_t base = 1;
    std::pmr::string name;
    platform::GetModuleByAddr(reinterpret_cast<const void*>(addr), base, name);
    // The real path, so that a debug file beside the program can be found.
    EXPECT_EQ(std::string(name), std::filesystem::read_symlink("/proc/self/exe").string());
    std::uintptr_t delta = base - own.base;
    EXPECT_EQ(probe - delta, value);
  }
}

TEST(ModuleTest, SharedLibraryByItsPath) {
  void* libc = dlopen("libc.so.6", RTLD_NOLOAD | RTLD_LAZY);
  ASSERT_NE(libc, nullptr);
  auto fn = reinterpret_cast<std::uintptr_t>(dlsym(libc, "getpid"));
  std::uintptr_t base = 0;
  std::pmr::string module;
  platform::GetModuleByAddr(reinterpret_cast<const void*>(fn), base, module);
  std::string name(module);
  // The mapping that holds the function, and the file's first mapping.
  std::ifstream maps("/proc/self/maps");
  std::map<std::string, std::uintptr_t> first;
  std::string mapped;
  for (std::string line; std::getline(maps, line);) {
    std::istringstream fields(line);
    std::uintptr_t start, end;
    char dash;
    std::string perms, offset, device, inode, path;
    fields >> std::hex >> start >> dash >> end >> perms >> offset >> device >> inode >> path;
    first.emplace(path, start);
    if (fn >= start && fn < end) mapped = path;
  }
  ASSERT_FALSE(mapped.empty());
  EXPECT_TRUE(std::filesystem::equivalent(name, mapped)) << name << " vs " << mapped;
  EXPECT_EQ(base, first[mapped]);
  EXPECT_EQ(exe_test::Find(name, ".text").base, 0u);
  dlclose(libc);
}

TEST(ModuleTest, AddressOutsideEveryModule) {
  int local = 0;
  std::uintptr_t base = 1;
  std::pmr::string name;
  EXPECT_FALSE(platform::GetModuleByAddr(&local, base, name));
  EXPECT_EQ(base, 0u);
  EXPECT_EQ(std::string(name), std::filesystem::read_symlink("/proc/self/exe").string());
}

struct Segment {
  std::string type;
  std::uint64_t address, size;
};

// The program headers as readelf -lW prints them.
std::vector<Segment> ReadelfSegments(const std::string& path) {
  std::istringstream lines(exe_test::Run("readelf -lW " + exe_test::Quote(path)));
  std::vector<Segment> segments;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string type, offset, address, physical, file_size, memory_size;
    if (fields >> type >> offset >> address >> physical >> file_size >> memory_size &&
        address.rfind("0x", 0) == 0) {
      segments.push_back(
          {type, std::stoull(address, nullptr, 16), std::stoull(memory_size, nullptr, 16)});
    }
  }
  return segments;
}

// The loaded segments and the search table of the program's own call-frame
// information, moved by its load delta, as readelf reads them in its file.
TEST(ModuleTest, LoadedSegmentsAndTheSearchTable) {
  auto probe = reinterpret_cast<std::uintptr_t>(&ExeTestsProbe);
  std::string path = std::filesystem::read_symlink("/proc/self/exe");
  std::uintptr_t base = 0;
  std::pmr::string name;
  ASSERT_TRUE(platform::GetModuleByAddr(reinterpret_cast<const void*>(probe), base, name));
  std::uint64_t delta = base - exe_test::Find(path, ".text").base;
  std::vector<Segment> segments = ReadelfSegments(path), loads;
  const Segment* table = nullptr;
  for (const Segment& s : segments) {
    if (s.type == "LOAD") loads.push_back({s.type, s.address + delta, s.size});
    if (s.type == "GNU_EH_FRAME") table = &s;
  }
  ASSERT_NE(table, nullptr);
  platform::UnwindTables tables = platform::FindUnwindTables(probe);
  EXPECT_TRUE(tables.in_module);
  EXPECT_EQ(tables.header, table->address + delta);
  EXPECT_EQ(tables.header_size, table->size);
  for (const Segment& load : loads) {
    bool holds_table = tables.header >= load.address && tables.header < load.address + load.size;
    if (holds_table) {
      EXPECT_EQ(tables.segment_start, load.address);
      EXPECT_EQ(tables.segment_end, load.address + load.size);
    }
    const struct {
      std::uint64_t address, size;
      bool loaded;
    } kRanges[] = {
        {load.address, load.size, true},     {load.address, load.size + 1, false},
        {load.address + load.size, 0, true}, {load.address + load.size - 1, 1, true},
        {load.address - 1, 2, false},        {load.address + 8, load.size - 8, true},
    };
    for (const auto& r : kRanges) {
      EXPECT_EQ(platform::IsLoaded(r.address, r.size), r.loaded)
          << std::hex << r.address << "+" << r.size;
    }
  }
  int local = 0;
  EXPECT_FALSE(platform::FindUnwindTables(reinterpret_cast<std::uintptr_t>(&local)).in_module);
  EXPECT_FALSE(platform::IsLoaded(reinterpret_cast<std::uintptr_t>(&local), 8));
}

}  // namespace
