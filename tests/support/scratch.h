// Scratch directories for the files that tests make: one per object, or one
// that the whole test process shares.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace testing_support {

// A new directory in the temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string name = (std::filesystem::temp_directory_path() / "quiz-test-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp " + name);
    path_ = name;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The process's one scratch directory, made at the first call and removed
// with its contents at the process's end.
inline const std::string& ScratchDir() {
  static const TempDir dir;
  return dir.path();
}

// Writes bytes to ScratchDir()/name and returns the path.
inline std::string WriteScratchFile(const std::string& name, const std::string& bytes) {
  std::string path = ScratchDir() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

}  // namespace testing_support
