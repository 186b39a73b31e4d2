// Opening executables and the format table, chosen by the file's magic bytes.
#include "exe/exe_file.h"

#include <cstring>

#include "exe/elf/elf.h"
#include "exe/pe/pe.h"

namespace rt {

namespace {

struct FormatEntry {
  const char* magic;
  std::size_t magic_length;
  ExeFormat format;
};

const FormatEntry kFormats[] = {
    {"MZ", 2, {OpenPEPlusCOFF, FindSectionCOFF, FindSymbolCOFF}},
    {"\x7F"
     "ELF",
     4,
     {OpenElf64, FindSectionElf64, FindSymbolElf64}},
};

const ExeFormat* FormatOf(const std::uint8_t* magic, std::int64_t size) {
  for (const FormatEntry& entry : kFormats) {
    if (static_cast<std::size_t>(size) >= entry.magic_length &&
        std::memcmp(magic, entry.magic, entry.magic_length) == 0) {
      return &entry.format;
    }
  }
  return nullptr;
}

}  // namespace

FileResult ReadExeBytes(TExeFile& exe, std::int64_t offset, void* buffer, std::int64_t n) {
  if (!IsOpen(exe) || offset < 0 || n < 0 || offset > exe.size || n > exe.size - offset) {
    return ResultOf(exe.f, false);
  }
  BlockReadAt(exe.f, offset, buffer, n);
  return ResultOf(exe.f, true);
}

FileResult OpenExeFile(TExeFile& exe, std::string_view name) {
  exe = TExeFile();
  exe.filename.assign(name);
  if (name.empty()) return {};
  // A file that cannot be opened is no error: its code stays in a record of
  // its own.
  FileRec f;
  FileOpenRead(f, name);
  if (f.error != 0) return {};
  exe.f = f;
  exe.size = FileSize(exe.f);
  std::uint8_t magic[4] = {};
  ReadExeBytes(exe, 0, magic, exe.size < 4 ? exe.size : 4);
  exe.format = FormatOf(magic, exe.size);
  bool image = exe.f.error == 0 && exe.format != nullptr && exe.format->open(exe);
  if (image) return ResultOf(exe.f, true);
  // A file that is not an image is closed again at once: nothing reads it.
  return {false, CloseExeFile(exe).io_error};
}

FileResult CloseExeFile(TExeFile& exe) {
  if (!IsOpen(exe)) return {};
  FileClose(exe.f);
  return ResultOf(exe.f, true);
}

}  // namespace rt
