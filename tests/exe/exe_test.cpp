#include "tests/exe/exe_test.h"

#include <stdio.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "exe/exe_file.h"

namespace exe_test {

Lookup Find(const std::string& path, std::string_view section) {
  Lookup r;
  rt::TExeFile exe;
  rt::FileResult opened = rt::OpenExeFile(exe, path);
  r.image = opened.ok;
  std::uint16_t io_error = opened.io_error;
  if (r.image) {
    r.base = exe.image_base;
    rt::ExeSection found;
    rt::FileResult searched = rt::FindExeSection(exe, section, found);
    r.found = searched && found.compression == rt::Compression::kNone;
    if (r.found) {
      r.offset = found.offset;
      r.length = found.length;
      r.address = found.address;
    }
    io_error = rt::CloseExeFile(exe).io_error;
  }
  if (io_error != 0) throw std::runtime_error("a read failed");
  return r;
}

Lookup FindIn(const Bytes& image, std::string_view section) {
  return Find(testing_support::WriteScratchFile("image", image), section);
}

std::string Env(const char* name, const char* fallback) {
  const char* v = getenv(name);
  return v != nullptr && *v != '\0' ? v : fallback;
}

std::string Run(const std::string& command, int* status) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) throw std::runtime_error("popen " + command);
  char chunk[4096];
  for (std::size_t n; (n = fread(chunk, 1, sizeof chunk, p)) > 0;) out.append(chunk, n);
  int rc = pclose(p);
  if (status != nullptr) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return out;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Program(const std::string& flags) {
  static std::map<std::string, std::string> built;
  auto it = built.find(flags);
  if (it != built.end()) return it->second;
  std::string source = testing_support::WriteScratchFile(
      "program.cpp",
      "#include <cstdio>\nint counter;\n"
      "int main(int argc, char**) { std::printf(\"%d\\n\", argc + counter); }\n");
  std::string out = testing_support::ScratchDir() + "/program" + std::to_string(built.size());
  int status;
  std::string log = Run(Quote(Env("CXX", "c++")) + " -g " + flags + " -o " + Quote(out) + " " +
                            Quote(source) + " 2>&1",
                        &status);
  if (status != 0) throw std::runtime_error("compiling failed: " + log);
  return built[flags] = out;
}

std::map<std::string, ElfSectionInfo> ReadelfSections(const std::string& path) {
  std::map<std::string, ElfSectionInfo> sections;
  std::istringstream lines(Run("readelf -SW " + Quote(path)));
  for (std::string line; std::getline(lines, line);) {
    std::size_t close = line.find(']');
    if (line.find("  [") != 0 || close == std::string::npos ||
        line.find("[ 0]") != std::string::npos) {
      continue;
    }
    std::istringstream fields(line.substr(close + 1));
    std::string name, type, address, offset, size;
    if (fields >> name >> type >> address >> offset >> size && name != "Name") {
      sections.emplace(
          name, ElfSectionInfo{type, std::stoll(offset, nullptr, 16), std::stoll(size, nullptr, 16),
                               std::stoull(address, nullptr, 16)});
    }
  }
  return sections;
}

}  // namespace exe_test
