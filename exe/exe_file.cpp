// Opening executables and the format table, chosen by the file's magic bytes.
#include "exe/exe_file.h"

#include <cstring>

#include "exe/elf.h"
#include "exe/pe.h"

namespace rt {

namespace {

struct FormatEntry {
  const char* magic;
  std::size_t magic_length;
  ExeFormat format;
};

const FormatEntry kFormats[] = {
    {"MZ", 2, {OpenPEPlusCOFF, FindSectionCOFF}},
    {"\x7F"
     "ELF",
     4,
     {OpenElf64, FindSectionElf64}},
};

}  // namespace

bool ReadExeBytes(TExeFile& exe, std::int64_t offset, void* buffer, std::int64_t n) {
  if (!exe.isopen || offset < 0 || n < 0 || offset > exe.size || n > exe.size - offset) {
    return false;
  }
  BlockReadAt(exe.f, offset, buffer, n);
  return exe.f.error == 0;
}

bool OpenExeFile(TExeFile& exe, std::string_view name) {
  exe.f = FileRec{};
  exe.size = 0;
  exe.isopen = false;
  exe.nsects = exe.sechdrofs = exe.secstrofs = exe.secstrlen = 0;
  exe.processaddress = 0;
  exe.format = nullptr;
  exe.filename.assign(name);
  if (name.empty()) return false;
  FileOpenRead(exe.f, name);
  if (exe.f.error != 0) {
    exe.f.error = 0;  // a file that cannot be opened is no error
    return false;
  }
  exe.isopen = true;
  exe.size = FileSize(exe.f);
  std::uint8_t magic[4] = {};
  ReadExeBytes(exe, 0, magic, exe.size < 4 ? exe.size : 4);
  for (const FormatEntry& entry : kFormats) {
    if (static_cast<std::size_t>(exe.size) >= entry.magic_length &&
        std::memcmp(magic, entry.magic, entry.magic_length) == 0) {
      exe.format = &entry.format;
      break;
    }
  }
  // A file that is not an image is closed again at once: nothing reads it.
  if (exe.f.error != 0 || exe.format == nullptr || !exe.format->open(exe)) {
    CloseExeFile(exe);
    return false;
  }
  return true;
}

bool CloseExeFile(TExeFile& exe) {
  if (!exe.isopen) return false;
  exe.isopen = false;
  FileClose(exe.f);
  return true;
}

bool FindStoredSection(TExeFile& exe, std::string_view name, StoredSection& section) {
  if (!exe.isopen || exe.format == nullptr || exe.format->find_section == nullptr) return false;
  return exe.format->find_section(exe, name, section);
}

bool FindExeSection(TExeFile& exe, std::string_view name, std::int64_t& offset,
                    std::int64_t& length) {
  StoredSection section;
  if (!FindStoredSection(exe, name, section) || section.compressed) return false;
  offset = section.offset;
  length = section.length;
  return true;
}

}  // namespace rt
