// The build-id of an ELF file: the bytes of its GNU build-id note, which a
// program and its separate debug file share.
#pragma once

#include <memory_resource>
#include <string>
#include <string_view>

#include "exe/exe_file.h"

namespace rt {

// The build-id bytes of the file's ".note.gnu.build-id"; false without one.
FileResult ReadBuildId(TExeFile& exe, std::pmr::string& id);

// "<root>/.build-id/xx/rest.debug" for the id's first byte xx and the rest
// in lower-case hexadecimal; empty for an empty id.
std::pmr::string BuildIdPath(std::string_view root, std::string_view id);

}  // namespace rt
