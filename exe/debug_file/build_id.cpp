// Reading the GNU build-id note.
#include "exe/debug_file/build_id.h"

#include <cstring>

#include "base/byte_order.h"

namespace rt {

namespace {

constexpr std::uint32_t kBuildIdNote = 3;  // NT_GNU_BUILD_ID
constexpr std::int64_t kMaxNotes = 1024;   // the section read, at most
constexpr std::uint32_t kMaxIdLength = 64;

std::uint32_t Aligned4(std::uint32_t n) {
  return (n + 3) & ~std::uint32_t{3};
}

// The build-id among notes one after another: name size, description size,
// type, then the name and the description, each padded to 4 bytes.
bool FindBuildIdNote(const std::uint8_t* notes, std::int64_t length, std::pmr::string& id) {
  std::uint64_t at = 0, end = static_cast<std::uint64_t>(length);
  while (at <= end && end - at >= 12) {
    std::uint32_t name_size = Le32(notes + at), desc_size = Le32(notes + at + 4);
    std::uint32_t type = Le32(notes + at + 8);
    std::uint64_t name_at = at + 12, desc_at = name_at + Aligned4(name_size);
    if (name_size > end || desc_at > end || desc_size > end - desc_at) return false;
    if (type == kBuildIdNote && name_size == 4 && std::memcmp(notes + name_at, "GNU", 4) == 0 &&
        desc_size > 0 && desc_size <= kMaxIdLength) {
      id.assign(reinterpret_cast<const char*>(notes + desc_at), desc_size);
      return true;
    }
    at = desc_at + Aligned4(desc_size);
  }
  return false;
}

}  // namespace

FileResult ReadBuildId(TExeFile& exe, std::pmr::string& id) {
  id.clear();
  ExeSection section;
  if (!FindExeSection(exe, ".note.gnu.build-id", section) ||
      section.compression != Compression::kNone) {
    return ResultOf(exe.f, false);
  }
  std::int64_t length = section.length < kMaxNotes ? section.length : kMaxNotes;
  std::uint8_t notes[kMaxNotes];
  if (!ReadExeBytes(exe, section.offset, notes, length)) return ResultOf(exe.f, false);
  return ResultOf(exe.f, FindBuildIdNote(notes, length, id));
}

std::pmr::string BuildIdPath(std::string_view root, std::string_view id) {
  if (id.empty()) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::pmr::string path(root);
  path += "/.build-id/";
  for (std::size_t i = 0; i < id.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(id[i]);
    path += kHex[byte >> 4];
    path += kHex[byte & 0xF];
    if (i == 0) path += '/';
  }
  path += ".debug";
  return path;
}

}  // namespace rt
