// The places a module's debug file may be, tried in order.
#include "exe/debug_file/debug_file.h"

#include <memory_resource>
#include <string>
#include <vector>

#include "exe/debug_file/build_id.h"
#include "exe/debug_file/debug_link.h"

namespace rt {

namespace {

// What identifies a debug file as the module's.
struct Identity {
  bool has_link = false;
  std::pmr::string link;
  std::uint32_t crc = 0;
  std::pmr::string build_id;
};

// Reads what the module says of its debug file; false when the module is no
// readable image.
FileResult ReadIdentity(TExeFile& exe, std::string_view module_file, Identity& identity) {
  FileResult opened = OpenExeFile(exe, module_file);
  if (!opened) return opened;
  identity.has_link = ReadDebugLinkName(exe, identity.link, identity.crc).ok;
  ReadBuildId(exe, identity.build_id);
  return CloseExeFile(exe);
}

// The places the debug link may name, in order.
std::pmr::vector<std::pmr::string> LinkPlaces(const Identity& identity,
                                              std::string_view module_file,
                                              std::string_view debug_root) {
  std::pmr::vector<std::pmr::string> places = {identity.link};
  std::size_t slash = module_file.find_last_of("/\\");
  if (slash == std::string_view::npos) return places;
  std::pmr::string directory(module_file.substr(0, slash + 1));
  places.push_back(directory + identity.link);
  places.push_back(directory + ".debug/" + identity.link);
  // The module's own directory path under the debug root, for a module
  // named by an absolute path.
  if (!debug_root.empty() && directory[0] == '/') {
    places.push_back(std::pmr::string(debug_root) + directory + identity.link);
  }
  return places;
}

// Opens a candidate and looks for the section in it; exe stays open only
// when it holds it (and, with an id to match, when its build-id is that).
FileResult Holds(TExeFile& exe, std::string_view file, std::string_view section_name,
                 const std::pmr::string* build_id, ExeSection& section) {
  FileResult opened = OpenExeFile(exe, file);
  if (!opened) return opened;
  std::pmr::string id;
  if ((build_id == nullptr || (ReadBuildId(exe, id) && id == *build_id)) &&
      FindExeSection(exe, section_name, section)) {
    return {true, 0};
  }
  FileResult closed = CloseExeFile(exe);
  return {false, closed.io_error};
}

}  // namespace

DebugFileSearch FindDebugFile(TExeFile& exe, std::string_view module_file,
                              std::string_view debug_root, std::string_view section_name,
                              std::pmr::string& found_file, ExeSection& section) {
  Identity identity;
  FileResult read = ReadIdentity(exe, module_file, identity);
  if (!read) return {DebugFileSearch::kUnreadable, read.io_error};

  DebugFileSearch search{DebugFileSearch::kNoSection, 0};
  // Tries one place; true when it ends the search, found or failed.
  auto ends_search = [&](std::string_view file, FileResult held) {
    if (held.io_error != 0) {
      search = {DebugFileSearch::kUnreadable, held.io_error};
    } else if (held) {
      found_file = file;
      search = {DebugFileSearch::kFound, 0};
    }
    return search.kind != DebugFileSearch::kNoSection;
  };
  if (identity.has_link) {
    for (const std::pmr::string& place : LinkPlaces(identity, module_file, debug_root)) {
      FileResult matches = CheckDbgFile(place, identity.crc);
      if (ends_search(place, matches ? Holds(exe, place, section_name, nullptr, section) : matches))
        return search;
    }
  }
  if (!debug_root.empty() && !identity.build_id.empty()) {
    std::pmr::string by_id = BuildIdPath(debug_root, identity.build_id);
    if (ends_search(by_id, Holds(exe, by_id, section_name, &identity.build_id, section)))
      return search;
  }
  ends_search(module_file, Holds(exe, module_file, section_name, nullptr, section));
  return search;
}

}  // namespace rt
