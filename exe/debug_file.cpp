// The places a module's debug file may be, tried in order.
#include "exe/debug_file.h"

#include <cstdint>
#include <vector>

#include "exe/build_id.h"
#include "exe/debug_link.h"

namespace rt {

namespace {

// What identifies a debug file as the module's.
struct Identity {
  bool has_link = false;
  std::string link;
  std::uint32_t crc = 0;
  std::string build_id;
};

// Opens a candidate and looks for the section in it; exe stays open only
// when it holds it.
bool Holds(TExeFile& exe, const std::string& file, std::string_view section_name,
           ExeSection& section) {
  if (!OpenExeFile(exe, file)) return false;
  if (FindDebugSection(exe, section_name, section)) return true;
  CloseExeFile(exe);
  return false;
}

bool MatchesBuildId(TExeFile& exe, std::string_view wanted) {
  std::string id;
  return ReadBuildId(exe, id) && id == wanted;
}

}  // namespace

DebugFileSearch FindDebugFile(TExeFile& exe, std::string_view module_file,
                              std::string_view debug_root, std::string_view section_name,
                              std::string& found_file, ExeSection& section) {
  // What the module says of its debug file.
  if (!OpenExeFile(exe, module_file)) {
    return DebugFileSearch::kUnreadable;
  }
  Identity identity;
  identity.has_link = ReadDebugLinkName(exe, identity.link, identity.crc);
  ReadBuildId(exe, identity.build_id);
  CloseExeFile(exe);
  if (exe.f.error != 0) return DebugFileSearch::kUnreadable;

  std::string module(module_file);
  std::size_t slash = module.find_last_of("/\\");
  std::string directory = slash == std::string::npos ? "" : module.substr(0, slash + 1);
  bool rooted = !debug_root.empty();

  if (identity.has_link) {
    std::vector<std::string> places = {identity.link};
    if (!directory.empty()) {
      places.push_back(directory + identity.link);
      places.push_back(directory + ".debug/" + identity.link);
      // The module's own directory path under the debug root, for a module
      // named by an absolute path.
      if (rooted && directory[0] == '/')
        places.push_back(std::string(debug_root) + directory + identity.link);
    }
    for (const std::string& place : places) {
      if (CheckDbgFile(exe, place, identity.crc) && Holds(exe, place, section_name, section)) {
        found_file = place;
        return DebugFileSearch::kFound;
      }
      if (exe.f.error != 0) return DebugFileSearch::kUnreadable;
    }
  }

  std::string by_id = rooted ? BuildIdPath(debug_root, identity.build_id) : "";
  if (!by_id.empty() && OpenExeFile(exe, by_id)) {
    if (MatchesBuildId(exe, identity.build_id) && FindDebugSection(exe, section_name, section)) {
      found_file = by_id;
      return DebugFileSearch::kFound;
    }
    CloseExeFile(exe);
  }
  if (exe.f.error != 0) return DebugFileSearch::kUnreadable;

  if (Holds(exe, module, section_name, section)) {
    found_file = module;
    return DebugFileSearch::kFound;
  }
  return exe.f.error != 0 ? DebugFileSearch::kUnreadable : DebugFileSearch::kNoSection;
}

}  // namespace rt
