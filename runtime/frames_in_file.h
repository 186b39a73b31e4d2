// Where a module whose loaded image has no search table for its call-frame
// information (a program linked statically has none) keeps .eh_frame: read
// from its file's section table, once per module.
#pragma once

#include <cstdint>

namespace rt {

// The address and size of the loaded .eh_frame of the module that holds
// pc; false where its file has none that is loaded, or cannot be read.
bool FindFramesInFile(std::uint64_t pc, std::uint64_t& address, std::uint64_t& size);

}  // namespace rt
