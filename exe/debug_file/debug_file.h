// Finding the file that holds a module's debug information, where build
// systems and distributions put it.
#pragma once

#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>

#include "exe/exe_file.h"

namespace rt {

struct DebugFileSearch {
  enum Kind {
    kFound,       // exe is open on the file that holds the section
    kUnreadable,  // the module's own file is no image, or a read failed
    kNoSection,   // no place holds the section
  };
  Kind kind = kUnreadable;
  std::uint16_t io_error = 0;  // with kUnreadable: the code of a read that failed, if one did
};

// Searches these places in order, the first file that holds the section
// (plainly or compressed) winning:
//   the debug link's name in the working directory, then in the module's
//   directory, then in the module's directory's ".debug/", then under the
//   debug root at the module's own directory path (each only when its CRC-32
//   is the link's);
//   the build-id file "<debug root>/.build-id/xx/rest.debug", only when its
//   own build-id is the module's;
//   the module's own file.
// An empty debug root leaves out the places under it. A failed read ends the
// search.
DebugFileSearch FindDebugFile(TExeFile& exe, std::string_view module_file,
                              std::string_view debug_root, std::string_view section_name,
                              std::pmr::string& found_file, ExeSection& section);

}  // namespace rt
